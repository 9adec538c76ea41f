// Handlers not written yet. Each definition moves to its own source file
// when it is implemented; this file disappears when it is empty.
#include "editor/Editor.h"

namespace qrt {
void Editor::read_BaseFreq() { }
void Editor::read_pll() { }
void Editor::read_freq() { }
void Editor::Set_Freq(int32_t value, int address) { (void)value; (void)address; }
void Editor::cboDft_Click() { }
void Editor::txtFreq_GotFocus() { }
bool Editor::txtFreq_KeyPress(int ch) { (void)ch; return {}; }
void Editor::txtFreq_KeyUp() { }
void Editor::txtFreq_LostFocus() { }
void Editor::DetectBand() { }
void Editor::WritePreset(int preset) { (void)preset; }
void Editor::read_capcode() { }
void Editor::txtAddr_KeyUp(int index, int keyCode, int shift) { (void)index; (void)keyCode; (void)shift; }
void Editor::read_pass() { }
void Editor::txtPass_KeyUp() { }
void Editor::read_prompt() { }
void Editor::PromptStore(int element) { (void)element; }
void Editor::Set_PromptEd_Width() { }
void Editor::read_SourcePrompt() { }
void Editor::ToPagerCharset() { }
void Editor::ToDisplayCharset() { }
int Editor::PromptAddress(int element) const { (void)element; return {}; }
}  // namespace qrt
