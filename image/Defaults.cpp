// Factory configuration of a new pager and the constant tables copied from it.
// Every table is a compile-time constant; text is Windows-1252 bytes.
#include "image/Defaults.h"

#include <string_view>

namespace qrt {
namespace {

using Bytes = std::string_view;  // tables are typed as byte strings

struct SlotText {
  uint8_t attribute;
  std::string_view text;  // Windows-1252
};

// A prompt slot: attribute, count, the text, then filler up to 20 bytes.
constexpr PromptSlot MakeSlot(uint8_t attribute, std::string_view text, uint8_t filler = ' ') {
  if (text.size() > static_cast<size_t>(kPromptMaxChars)) throw "prompt text longer than 18 characters";
  PromptSlot slot{};
  slot.fill(filler);
  slot[0] = attribute;
  slot[1] = static_cast<uint8_t>(text.size());
  for (size_t i = 0; i < text.size(); ++i) slot[2 + i] = static_cast<uint8_t>(text[i]);
  return slot;
}

constexpr PromptTable MakePromptTable(const std::array<SlotText, kPromptTableSlots>& rows) {
  PromptTable table{};
  for (int k = 0; k < kPromptTableSlots; ++k) {
    const PromptSlot slot = MakeSlot(rows[k].attribute, rows[k].text);
    for (int i = 0; i < kPromptSlotSize; ++i) table[k * kPromptSlotSize + i] = slot[i];
  }
  return table;
}

// Copies `src` into `dst` from `at` on, refusing (at compile time) to run past the end.
template <size_t N, typename Src>
constexpr int Put(std::array<uint8_t, N>& dst, int at, const Src& src) {
  for (auto b : src) {
    if (at >= static_cast<int>(N)) throw "table overflow";
    dst[at++] = static_cast<uint8_t>(b);
  }
  return at;
}
template <size_t N>
constexpr int Fill(std::array<uint8_t, N>& dst, int at, int count, uint8_t value) {
  for (int i = 0; i < count; ++i) {
    if (at >= static_cast<int>(N)) throw "table overflow";
    dst[at++] = value;
  }
  return at;
}

// ---- choices of ours for the bytes no control edits ---------------------
// A seven-letter upper-case word at 0x070.
constexpr Bytes kHeaderWord = "VESTRAX";
// The pager's own byte at 0x0E9 goes with the factory contrast (0x089 = 4);
// every other unbound factory byte is 0xFF, as an erased EEPROM reads.
constexpr uint8_t kPagerOwnDefault = 0x04;
constexpr uint8_t kUnboundFiller = 0xFF;
// The factory PIN, one digit value per byte, last digit first: the
// password field shows 1234.
constexpr std::array<uint8_t, 4> kFactoryPin = {4, 3, 2, 1};
// Twelve characters at 0x532: a short name centred between spaces.
constexpr Bytes kFactoryText = "   VESTRA   ";
static_assert(kHeaderWord.size() == 7 && kFactoryText.size() == 12);

constexpr std::array<uint8_t, kHeaderDefaultsSize> MakeHeader() {
  std::array<uint8_t, kHeaderDefaultsSize> h{};
  constexpr std::array<uint8_t, 0x70> rows = {
      0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xB4, 0xA0, 0x00, 0x00, 0x28, 0x01, 0x00, 0x02, 0x05, 0x0A,  // 0x000
      0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x3C, 0x3C,  // 0x010
      0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x5A, 0x96, 0x11, 0xFF,  // 0x020
      0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x41, 0x42, 0x0E, 0x40, 0x0C, 0x52, 0x00,  // 0x030
      0x61, 0x1E, 0x5A, 0xD0, 0x60, 0x22, 0x5A, 0xD0, 0x60, 0x46, 0x5A, 0xD0, 0x60, 0x6A, 0x5A, 0xD0,  // 0x040
      0x60, 0x8E, 0x5A, 0xD0, 0x60, 0xB2, 0x5A, 0xD0, 0x60, 0xD6, 0x5A, 0xD0, 0x60, 0xFA, 0x5A, 0xD0,  // 0x050
      0x40, 0x2A, 0x41, 0xA9, 0x00, 0x14, 0xE7, 0x90, 0x00, 0x17, 0x58, 0x90, 0x78, 0x12, 0xF7, 0xA2,  // 0x060
  };
  constexpr std::array<uint8_t, 9> row70tail = {0xF0, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x00};
  constexpr std::array<uint8_t, 32> rows80 = {
      0x21, 0x10, 0x16, 0x1C, 0x21, 0x24, 0x27, 0x2A, 0x2C, 0x04, 0xA3, 0x22, 0x16, 0xB1, 0xC0, 0xCF,  // 0x080
      0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x090
  };
  int at = Put(h, 0, rows);
  at = Put(h, at, kHeaderWord);
  at = Put(h, at, row70tail);
  at = Put(h, at, rows80);
  at = Put(h, at, MakeSlot(0x43, "FLASH ONLY"));          // 0x0A0
  at = Fill(h, at, 0x100 - at, kUnboundFiller);           // 0x0B4..0x0FF
  if (at != kHeaderDefaultsSize) throw "header size";
  h[addr::kPagerOwnByte] = kPagerOwnDefault;
  return h;
}

constexpr std::array<SlotText, kPromptTableSlots> kEnglishRows = {{
    {0x05, "VESTRA  "},         {0x06, "NO PAGES"},       {0x49, "ESCAPE"},
    {0x45, "MESSAGE LOCK"},     {0x44, "MESSAGE UNLOCK"}, {0x44, "MESSAGE DELETE"},
    {0x46, "DELETE ALL"},       {0x45, "MOVE TO MEMO"},   {0x46, "SET SCROLL"},
    {0x47, "SET TIME"},         {0x46, "SET ALARM"},      {0x46, "SET ALERT"},
    {0x46, "PAGER OFF"},        {0x00, "TONE ONLY"},      {0x43, "SLEEP"},
    {0x43, "SILENT"},           {0x45, "PAGER OFF ?"},    {0x44, "MESSAGE DELETE ?"},
    {0x46, "DELETE ALL ?"},     {0x22, "TIME SET"},       {0x22, "ALARM SET"},
    {0x22, "SCROLL SET"},       {0x44, "AUTO SLEEP SET"}, {0x27, "START    END"},
    {0x46, "MESSAGE AREA"},     {0x45, "MAIL DROP AREA"}, {0x43, "SILENT THEN BEEP"},
    {0x48, "ZOOM IN"},          {0x47, "ZOOM OUT"},       {0x47, "CHIRP ON"},
    {0x46, "CHIRP OFF"},
}};

constexpr std::array<SlotText, kPromptTableSlots> kSpanishRows = {{
    {0x05, "VESTRA"},            {0x05, "SIN MESAJES"},       {0x42, "ARRIBA PARA SALIR"},
    {0x42, "BLOQUEAR MENSAJE"},  {0x42, "DESBLOQ. MENSAJE"},  {0x47, "BORRAR"},
    {0x44, "BORRAR TODOS"},      {0x44, "MOVER A MEMO"},      {0x42, "ROLLO DE MENSAJE"},
    {0x44, "AJUSTAR HORA"},      {0x43, "AJUSTAR ALARMA"},    {0x42, "ALERTA SILENCIOSA"},
    {0x47, "APAGAR"},            {0x06, "SOLO TONO"},         {0x44, "DORMIDA"},
    {0x44, "SILENCIOSA"},        {0x46, "APAGAR ?"},          {0x46, "BORRAR ?"},
    // The pager shows this question without its mark: the count stops before it.
    {0x44, "BORRAR TODOS"},      {0x04, "AJUSTAR HORA"},      {0x03, "AJUSTAR ALARMA"},
    {0x02, "ROLLO DE MENSAJE"},  {0x44, "AUTO DORMIDA"},      {0x04, "ON      OFF"},
    {0x44, "MENSAJE AREA"},      {0x43, "MAIL DROP AREA"},    {0x44, "SILEN.-TONO"},
    {0x47, "ZOOM IN"},           {0x46, "ZOOM OUT"},          {0x46, "TIMBRE ON"},
    {0x45, "TIMBRE OFF"},
}};

constexpr std::array<SlotText, kPromptTableSlots> kFrenchRows = {{
    {0x05, "VESTRA"},             {0x03, "PAS DE MESSAGE"},     {0x42, "MONTER OU SORTIR"},
    {0x44, "VERROUILLAGE"},       {0x43, "DEVERROUILLAGE"},     {0x45, "EFFACEMENT"},
    {0x44, "EFFACER TOUT"},       {0x44, "DEP > MEMOIRE"},      {0x43, "Reg.DEFILEMENT"},
    {0x46, "Reg.HEURE"},          {0x45, "Reg.ALARME"},         {0x45, "Reg.ALERTE"},
    {0x45, "ARRET PAGER"},        {0x05, "TON UNIQUEMENT"},     {0x44, "MISE EN VEILLE"},
    {0x44, "SILENCIEUX"},         {0x44, "ARRET PAGER ?"},      {0x44, "EFFACEMENT ?"},
    {0x43, "EFFACER TOUT ?"},     {0x06, "Reg.HEURE"},          {0x05, "Reg.ALARME"},
    {0x03, "Reg.DEFILEMENT"},     {0x45, "REG.VEILLE"},         {0x04, "DEPART  FIN"},
    {0x42, "ZONE DE MESSAGES"},   {0x41, "ZONE BOITE LETTRES"}, {0x43, "SILENCIEUX ET BEEP"},
    {0x46, "LOUPE+"},             {0x46, "LOUPE-"},             {0x42, "AVEC MODE DISCRET"},
    {0x42, "SANS MODE DISCRET"},
}};

constexpr std::array<SlotText, kPromptTableSlots> kGermanRows = {{
    {0x05, "VESTRA  "},                    {0x03, "Keine Nachricht"},
    {0x45, "Men\xFC/zur\xFC" "ck"},        {0x42, "Nachricht sichern"},
    {0x42, "Nachr. freigeben"},            {0x42, "Nachricht l\xF6" "schen"},
    {0x44, "Alle l\xF6" "schen"},          {0x42, "Als Notiz sichern"},
    {0x45, "Scrollrate"},                  {0x45, "Uhr stellen"},
    {0x43, "Wecker stellen"},              {0x43, "Alarmart w\xE4" "hlen"},
    {0x46, "Pager aus"},                   {0x00, "Nur Ton"},
    {0x43, "Stiller Alarm"},               {0x43, "Vibration"},
    {0x45, "Pager aus ?"},                 {0x46, "L\xF6" "schen ?"},
    {0x43, "Alle l\xF6" "schen ?"},        {0x25, "Uhr stellen"},
    {0x23, "Wecker stellen"},              {0x25, "Scrollrate"},
    {0x42, "Automat. Aussch."},            {0x27, "Start    Ende"},
    {0x43, "Private Nachr."},              {0x43, "\xD6" "ffentl. Nachr."},
    {0x43, "Vibr., dann Ton"},             {0x45, "Vergr\xF6\xDF" "ern"},
    {0x45, "Verkleinern"},                 {0x44, "Kurz-Piep ein"},
    {0x44, "Kurz-Piep aus"},
}};

constexpr PromptTable kPromptsEnglish = MakePromptTable(kEnglishRows);
constexpr PromptTable kPromptsSpanish = MakePromptTable(kSpanishRows);
constexpr PromptTable kPromptsFrench = MakePromptTable(kFrenchRows);
constexpr PromptTable kPromptsGerman = MakePromptTable(kGermanRows);

constexpr PromptSlot kFlashEnglish = MakeSlot(0x43, "FLASH ONLY");
constexpr PromptSlot kFlashGerman = MakeSlot(0x43, "Nur Blinken");

constexpr HistoryPrompts MakeHistory(SlotText first, SlotText second) {
  HistoryPrompts h{};
  int at = Put(h, 0, MakeSlot(first.attribute, first.text));
  at = Put(h, at, MakeSlot(second.attribute, second.text));
  if (at != kHistoryPromptsSize) throw "history size";
  return h;
}
constexpr HistoryPrompts kHistoryFrench = MakeHistory({0x45, "HISTORIQUE"}, {0x25, "HISTORIQUE"});
constexpr HistoryPrompts kHistoryGerman = MakeHistory({0x43, "Verlauf einst."}, {0x25, "Verlauf einst."});

constexpr std::array<uint8_t, kFunctionDefaultsSize> MakeFunction() {
  std::array<uint8_t, kFunctionDefaultsSize> f{};
  int at = Fill(f, 0, 4, kUnboundFiller);          // 0x36C
  at = Fill(f, at, 32, 0x00);                      // 0x370 message types
  at = Fill(f, at, 32, 0x02);                      // 0x390 display types
  at = Put(f, at, kFactoryPin);                    // 0x3B0
  at = Fill(f, at, 4, kUnboundFiller);             // 0x3B4
  at = Put(f, at, MakeSlot(0x46, "SET HISTORY"));  // 0x3B8
  at = Put(f, at, MakeSlot(0x24, "HISTORY SET"));  // 0x3CC
  at = Fill(f, at, 1, 0x0C);                       // 0x3E0 write marker
  at = Put(f, at, Bytes("QRT35V1.0V3.82"));        // 0x3E1 identification
  at = Fill(f, at, 17, kUnboundFiller);            // 0x3EF
  if (at != kFunctionDefaultsSize) throw "function defaults size";
  return f;
}

constexpr std::array<uint8_t, kStatusDefaultsSize> MakeStatus() {
  std::array<uint8_t, kStatusDefaultsSize> s{};
  constexpr std::array<uint8_t, 18> factory520 = {0x96, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x2D, 0x05,
                                                  0xB4, 0xD3, 0x02, 0xFF, 0x03, 0x30, 0x01, 0x00, 0xB1};
  int at = Fill(s, 0, 0x28, 0xFF);                          // 0x400
  at = Put(s, at, MakeSlot(0x27, "CHARGING", 0xFF));        // 0x428
  at = Fill(s, at, 0x520 - 0x43C, 0xFF);                    // 0x43C
  at = Put(s, at, factory520);                              // 0x520
  at = Put(s, at, kFactoryText);                            // 0x532
  at = Put(s, at, std::array<uint8_t, 2>{0x2B, 0x00});      // 0x53E
  if (at != kStatusDefaultsSize) throw "status defaults size";
  return s;
}

constexpr std::array<uint8_t, kNewsDefaultsSize> MakeNews() {
  std::array<uint8_t, kNewsDefaultsSize> n{};
  int at = 0;
  for (int k = 1; k <= 32; ++k) {
    char text[7] = {'N', 'E', 'W', 'S', ' ', 0, 0};
    size_t len = 6;
    if (k < 10) {
      text[5] = static_cast<char>('0' + k);
    } else {
      text[5] = static_cast<char>('0' + k / 10);
      text[6] = static_cast<char>('0' + k % 10);
      len = 7;
    }
    at = Put(n, at, MakeSlot(0x05, std::string_view(text, len)));
  }
  constexpr std::array<uint8_t, 30> tail = {
      0x01, 0x01, 0x01, 0x01,                                            // 0x7E0 key disables
      0x00, 0xFF, 0xFF, 0x01, 0x01, 0x01, 0x01, 0x01, 0xFF, 0xFF, 0xFF,  // 0x7E4
      0xFF, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x08, 0x14,
      0x0E, 0x0D, 0xCC, 0xFF};
  at = Fill(n, at, 32, 0x00);  // 0x7C0 source prompt enables
  at = Put(n, at, tail);
  at = Fill(n, at, 2, 0xFF);   // 0x7FE checksum, stored when written
  if (at != kNewsDefaultsSize) throw "news defaults size";
  return n;
}

constexpr auto kHeaderDefaults = MakeHeader();
constexpr auto kFunctionDefaults = MakeFunction();
constexpr auto kStatusDefaults = MakeStatus();
constexpr auto kNewsDefaults = MakeNews();

static_assert(kHeaderDefaultsSize + kPromptTableSize + kFunctionDefaultsSize + kStatusDefaultsSize +
                  kNewsDefaultsSize == kImageSize);
static_assert(kPromptsAddress == kHeaderDefaultsAddress + kHeaderDefaultsSize);
static_assert(kFunctionDefaultsAddress == kPromptsAddress + kPromptTableSize);
static_assert(kStatusDefaultsAddress == kFunctionDefaultsAddress + kFunctionDefaultsSize);
static_assert(kNewsDefaultsAddress == kStatusDefaultsAddress + kStatusDefaultsSize);

constexpr std::array<SynthRegisterRow, kSynthPresetCount> kSynthRegisters = {{
    {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xA9, 0xB0, 0x00, 0x00, 0x28, 0x01, 0x00, 0x02, 0x05, 0x05},
    {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x87, 0xC4, 0x00, 0x00, 0x20, 0x01, 0x00, 0x08, 0x19, 0x05},
    {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x53, 0x66, 0x00, 0x00, 0x50, 0x01, 0x00, 0x04, 0x05, 0x05},
    {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xEC, 0xA0, 0x00, 0x00, 0x18, 0x01, 0x00, 0x04, 0x19, 0x05},
    {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xEC, 0xA2, 0x00, 0x00, 0x18, 0x01, 0x00, 0x04, 0x19, 0x05},
    {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x02, 0x36, 0xA2, 0x00, 0x00, 0x28, 0x01, 0x00, 0x04, 0x19, 0x05},
}};

constexpr std::array<SynthFrequencyRow, kSynthPresetCount> kSynthFrequencies = {{
    {0x00, 0x13, 0xD6, 0x20, 0x00, 0x17, 0x58, 0x90},
    {0x00, 0x13, 0xD6, 0x9D, 0x00, 0x17, 0x59, 0x0D},
    {0x00, 0x13, 0xD6, 0x6B, 0x00, 0x17, 0x58, 0x90},
    {0x00, 0x3D, 0x09, 0x00, 0x00, 0x45, 0x46, 0x60},
    {0x00, 0x3D, 0x09, 0x7D, 0x00, 0x45, 0x46, 0xDD},
    {0x00, 0x8D, 0x9A, 0x7D, 0x00, 0x8E, 0x0F, 0xAD},
}};

constexpr Image MakeImage() {
  Image img{};
  int at = Put(img, 0, kHeaderDefaults);
  at = Put(img, at, kPromptsEnglish);
  at = Put(img, at, kFunctionDefaults);
  at = Put(img, at, kStatusDefaults);
  at = Put(img, at, kNewsDefaults);
  if (at != kImageSize) throw "image size";
  return img;
}
constexpr Image kDefaultImage = MakeImage();

}  // namespace

const std::array<uint8_t, kHeaderDefaultsSize>& HeaderDefaults() { return kHeaderDefaults; }
const PromptTable& PromptsEnglish() { return kPromptsEnglish; }
const std::array<uint8_t, kFunctionDefaultsSize>& FunctionDefaults() { return kFunctionDefaults; }
const std::array<uint8_t, kStatusDefaultsSize>& StatusDefaults() { return kStatusDefaults; }
const std::array<uint8_t, kNewsDefaultsSize>& NewsDefaults() { return kNewsDefaults; }

const PromptTable& PromptsSpanish() { return kPromptsSpanish; }
const PromptTable& PromptsFrench() { return kPromptsFrench; }
const PromptTable& PromptsGerman() { return kPromptsGerman; }
// English, Spanish and French share the flash-only text.
const PromptSlot& FlashPromptEnglish() { return kFlashEnglish; }
const PromptSlot& FlashPromptSpanish() { return kFlashEnglish; }
const PromptSlot& FlashPromptFrench() { return kFlashEnglish; }
const PromptSlot& FlashPromptGerman() { return kFlashGerman; }
const HistoryPrompts& HistoryPromptsFrench() { return kHistoryFrench; }
const HistoryPrompts& HistoryPromptsGerman() { return kHistoryGerman; }

const std::array<SynthRegisterRow, kSynthPresetCount>& SynthPresetRegisters() { return kSynthRegisters; }
const std::array<SynthFrequencyRow, kSynthPresetCount>& SynthPresetFrequencies() { return kSynthFrequencies; }

Image BuildDefaultImage() { return kDefaultImage; }

const PromptTable& PromptTableForLanguage(int code) {
  switch (code) {
    case kLangSpanish: return kPromptsSpanish;
    case kLangFrench: return kPromptsFrench;
    case kLangGerman: return kPromptsGerman;
    default: return kPromptsEnglish;
  }
}

const PromptSlot& FlashPromptForLanguage(int code) {
  return code == kLangGerman ? kFlashGerman : kFlashEnglish;
}

const HistoryPrompts* HistoryPromptsForLanguage(int code) {
  switch (code) {
    case kLangFrench: return &kHistoryFrench;
    case kLangGerman: return &kHistoryGerman;
    default: return nullptr;
  }
}

namespace {
template <size_t N>
std::optional<PromptSlot> SlotFrom(const std::array<uint8_t, N>& table, int offset) {
  if (offset < 0 || offset + kPromptSlotSize > static_cast<int>(N)) return std::nullopt;
  PromptSlot slot{};
  for (int i = 0; i < kPromptSlotSize; ++i) slot[i] = table[offset + i];
  return slot;
}
}  // namespace

std::optional<PromptSlot> FactoryPromptSlot(int address, int languageCode) {
  if (address == kFlashPromptAddress) return FlashPromptForLanguage(languageCode);
  if (address >= kPromptsAddress && address < kFunctionDefaultsAddress)
    return SlotFrom(PromptTableForLanguage(languageCode), address - kPromptsAddress);
  if (address >= kFunctionDefaultsAddress && address < kStatusDefaultsAddress)
    return SlotFrom(kFunctionDefaults, address - kFunctionDefaultsAddress);
  if (address >= kStatusDefaultsAddress && address < kNewsDefaultsAddress)
    return SlotFrom(kStatusDefaults, address - kStatusDefaultsAddress);
  if (address >= kNewsDefaultsAddress)
    return SlotFrom(kNewsDefaults, address - kNewsDefaultsAddress);
  return std::nullopt;
}

}  // namespace qrt
