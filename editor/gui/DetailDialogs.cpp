#include "editor/gui/DetailDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "controls/gui/CloseBox.h"
#include "controls/gui/Ncommand.h"
#include "controls/gui/Pictures.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

QComboBox* MakeList(QWidget* parent, const ListState& state, const QString& name) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  for (const auto& entry : state.entries) box->addItem(Q(entry));
  return box;
}

// The program's own setting of a list: no handler runs, the model already did.
void ShowList(QComboBox* box, const ListState& state) {
  const QSignalBlocker quiet(box);
  box->setCurrentIndex(state.index);
}

Ncommand* MakeOk(QWidget* parent) {
  auto* ok = new Ncommand("OK", parent);
  ok->setObjectName("cmdOK");
  ok->setFixedSize(90, 28);
  return ok;
}

QLabel* Heading(const QString& text, QWidget* parent, const QColor& colour) {
  auto* l = new QLabel(text, parent);
  QFont f = l->font();
  f.setBold(true);
  f.setPixelSize(15);
  l->setFont(f);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, colour);
  l->setPalette(pal);
  return l;
}

}  // namespace

// ------------------------------------------------------------- FunctionBitDialog

FunctionBitDialog::FunctionBitDialog(QWidget* parent, Editor& editor, std::function<void()> afterChange)
    : PictureDialog(DialogPicture, parent),
      model_(std::make_unique<Form5>(editor)),
      afterChange_(std::move(afterChange)) {
  setObjectName("Form5");
  setWindowTitle("Capcode Function Bit Setting");

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(12, 4, 8, 12);
  outer->setSpacing(8);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  // The heading sits in the picture's dark band, the close box at its end.
  auto* head = new QHBoxLayout;
  head->addWidget(Heading("Capcode Function Bit Setting", this, Qt::white));
  head->addStretch(1);
  close_ = new CloseBox(this);
  close_->setObjectName("Close1");
  head->addWidget(close_, 0, Qt::AlignTop);
  outer->addLayout(head);
  outer->addSpacing(6);

  auto* which = new QHBoxLayout;
  auto* caption = new QLabel("Capcode   Function Bit", this);
  label3_ = new QLabel(this);
  label3_->setObjectName("Label3");
  QFont bold = label3_->font();
  bold.setBold(true);
  caption->setFont(bold);
  label3_->setFont(bold);
  which->addWidget(caption);
  which->addWidget(label3_);
  which->addStretch(1);
  outer->addLayout(which);

  auto listGroup = [&](const char* title, std::array<QComboBox*, 4>& lists,
                       const std::array<ListState, 4>& states, const char* name) {
    auto* group = new QGroupBox(title, this);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(10);
    for (int k = 0; k < 4; ++k) {
      auto* columnHead = new QLabel(Q(kFunBitCaptions[k]), group);
      columnHead->setAlignment(Qt::AlignCenter);
      grid->addWidget(columnHead, 0, k);
      lists[k] = MakeList(group, states[k], QString("%1(%2)").arg(name).arg(k));
      lists[k]->setMinimumWidth(118);
      grid->addWidget(lists[k], 1, k);
    }
    outer->addWidget(group);
  };
  listGroup("Message Disable and Display", cboDisp_, model_->cboDisp, "cboDisp");
  listGroup("Message Type", cboType_, model_->cboType, "cboType");

  auto* priority = new QGroupBox("Priority Alert Control", this);
  auto* row = new QHBoxLayout(priority);
  for (int k = 0; k < 4; ++k) {
    chkPri_[k] = new QCheckBox(Q(kFunBitCaptions[k]), priority);
    chkPri_[k]->setObjectName(QString("chkPri(%1)").arg(k));
    row->addWidget(chkPri_[k], 1);
  }
  outer->addWidget(priority);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  cmdOK_ = MakeOk(this);
  bottom->addWidget(cmdOK_);
  outer->addLayout(bottom);

  for (int k = 0; k < 4; ++k) {
    connect(cboDisp_[k], &QComboBox::activated, this, [this, k](int index) {
      model_->SelectDisp(k, index);
      AfterUserChange();
    });
    connect(cboType_[k], &QComboBox::activated, this, [this, k](int index) {
      model_->SelectType(k, index);
      AfterUserChange();
    });
    connect(chkPri_[k], &QCheckBox::clicked, this, [this, k](bool checked) {
      model_->SetPri(k, checked ? 1 : 0);
      AfterUserChange();
    });
  }
  connect(close_, &CloseBox::Click, this, &QDialog::accept);
  connect(cmdOK_, &Ncommand::Click, this, &QDialog::accept);

  model_->Open();
  ShowModel();
  adjustSize();
}

FunctionBitDialog::~FunctionBitDialog() = default;

void FunctionBitDialog::ShowModel() {
  label3_->setText(QString::fromStdString(model_->Label3.text));
  for (int k = 0; k < 4; ++k) {
    ShowList(cboDisp_[k], model_->cboDisp[k]);
    ShowList(cboType_[k], model_->cboType[k]);
    const QSignalBlocker quiet(chkPri_[k]);
    chkPri_[k]->setChecked(model_->chkPri[k].value != 0);
  }
}

void FunctionBitDialog::AfterUserChange() {
  ShowModel();
  if (afterChange_) afterChange_();
}

// ------------------------------------------------------------- AlertLengthDialog

AlertLengthDialog::AlertLengthDialog(QWidget* parent, Editor& editor, std::function<void()> afterChange)
    : QDialog(parent), model_(std::make_unique<Form6>(editor)), afterChange_(std::move(afterChange)) {
  setObjectName("Form6");
  setWindowTitle("Personal and Mail Drop Status Control");
  setModal(true);

  auto* outer = new QVBoxLayout(this);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  auto* personal = new QGroupBox("Personal and Group Alert Length", this);
  auto* personalRow = new QHBoxLayout(personal);
  personalRow->addWidget(new QLabel("Personal Alert Length", personal));
  cboPersonal_ = MakeList(personal, model_->cboPersonal, "cboPersonal");
  personalRow->addWidget(cboPersonal_);
  personalRow->addStretch(1);
  outer->addWidget(personal);

  // Drops 1 to 8 in the left column, 9 to F in the right one.
  auto* drops = new QGroupBox("Mail Drop Alert Length", this);
  auto* grid = new QGridLayout(drops);
  grid->setHorizontalSpacing(12);
  grid->setColumnMinimumWidth(2, 24);
  for (int j = 0; j < 15; ++j) {
    const int column = j < 8 ? 0 : 3;
    const int row = j < 8 ? j : j - 8;
    grid->addWidget(new QLabel(QString::fromStdString(model_->mailLabels[j]), drops), row, column);
    cboMailAler_[j] = MakeList(drops, model_->cboMailAler[j], QString("cboMailAler(%1)").arg(j));
    grid->addWidget(cboMailAler_[j], row, column + 1);
  }
  outer->addWidget(drops);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  cmdOK_ = MakeOk(this);
  bottom->addWidget(cmdOK_);
  outer->addLayout(bottom);

  connect(cboPersonal_, &QComboBox::activated, this, [this](int index) {
    model_->SelectPersonal(index);
    AfterUserChange();
  });
  for (int j = 0; j < 15; ++j) {
    connect(cboMailAler_[j], &QComboBox::activated, this, [this, j](int index) {
      model_->SelectMail(j, index);
      AfterUserChange();
    });
  }
  connect(cmdOK_, &Ncommand::Click, this, &QDialog::accept);

  model_->Open();
  ShowModel();
  adjustSize();
}

AlertLengthDialog::~AlertLengthDialog() = default;

void AlertLengthDialog::ShowModel() {
  ShowList(cboPersonal_, model_->cboPersonal);
  for (int j = 0; j < 15; ++j) ShowList(cboMailAler_[j], model_->cboMailAler[j]);
}

void AlertLengthDialog::keyPressEvent(QKeyEvent* event) {
  // OK is a picture button, not a default push button: Return goes to it here.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void AlertLengthDialog::AfterUserChange() {
  ShowModel();
  if (afterChange_) afterChange_();
}

void ShowFunctionBitDialog(QWidget* parent, Editor& editor, std::function<void()> afterChange) {
  FunctionBitDialog dialog(parent, editor, std::move(afterChange));
  dialog.exec();
}

void ShowAlertLengthDialog(QWidget* parent, Editor& editor, std::function<void()> afterChange) {
  AlertLengthDialog dialog(parent, editor, std::move(afterChange));
  dialog.exec();
}

}  // namespace qrt
