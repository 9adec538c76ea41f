// Form1's widgets: built from the design table, wired to the editor, and
// redrawn from the editor's state after every action.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cmath>

#include "controls/gui/EBSlider.h"
#include "controls/gui/Pictures.h"
#include "editor/Editor.h"
#include "editor/gui/MainWindow.h"

namespace qrt {

using form1::DesignControl;
using form1::FontRole;
using form1::Kind;

namespace {

// The classic face colour of the pages, and the white of the status cells.
const QColor kPageColour(0xEC, 0xE9, 0xD8);
const QColor kCellColour(0xFF, 0xFF, 0xFF);

// picTabBack: its picture tiled from the top left corner, the last row and
// column clipped. Moving the pointer over the uncovered part of it (the tab
// strip and the margins, not the pages or buttons on it) reports back.
class TabBackground : public QWidget {
 public:
  TabBackground(QWidget* parent, std::function<void()> onMouseMove)
      : QWidget(parent), onMouseMove_(std::move(onMouseMove)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    // Drawn for the screen's pixel ratio, again when the window moves to a screen of another.
    if (tile_.isNull() || tile_.devicePixelRatio() != devicePixelRatioF()) tile_ = BackgroundTile(devicePixelRatioF());
    const int w = qRound(tile_.deviceIndependentSize().width());
    const int h = qRound(tile_.deviceIndependentSize().height());
    if (w <= 0 || h <= 0) {
      p.fillRect(rect(), palette().window());
      return;
    }
    for (int i = 0; i <= width() / w; ++i)
      for (int j = 0; j <= height() / h; ++j) p.drawPixmap(w * i, h * j, tile_);
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    if (!childAt(event->position().toPoint()) && onMouseMove_) onMouseMove_();
    QWidget::mouseMoveEvent(event);
  }

 private:
  std::function<void()> onMouseMove_;
  QPixmap tile_;
};

// The picture of the source page's Load Default button: a page with a
// circular arrow bringing its text back, `ratio` device pixels to a pixel.
QPixmap LoadDefaultPicture(qreal ratio) {
  QPixmap pm(QSize(16, 16) * ratio);
  pm.setDevicePixelRatio(ratio);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x20, 0x40, 0x90), 1.6));
  p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 280 * 16);
  p.setBrush(QColor(0x20, 0x40, 0x90));
  const QPointF head[] = {{10.5, 0.5}, {14.5, 3.8}, {9.8, 5.8}};
  p.drawPolygon(head, 3);
  return pm;
}

// The window's own proportions for the parts of controls that a style draws
// at a fixed size: check-box and option indicators and a list's arrow button
// grow and shrink with the control's font, as the rest of the window does. A
// shrunk window then neither clips the indicators nor lets the arrow eat a
// list's text; an enlarged one does not leave them small beside their text.
// At the design font everything is the style's own size.
class ScaledControlStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int size = QProxyStyle::pixelMetric(metric, option, widget);
    switch (metric) {
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight: {
        const double scale = Scale(widget);
        return scale == 1 ? size : std::max(6, int(std::lround(size * scale)));
      }
      default: return size;
    }
  }

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                       const QWidget* widget) const override {
    const QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
    const double scale = Scale(widget);
    if (control != CC_ComboBox || scale == 1 || (part != SC_ComboBoxArrow && part != SC_ComboBoxEditField) ||
        option->direction != Qt::LeftToRight)
      return rect;
    const QRect arrow = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget);
    const int narrower = arrow.width() - std::max(8, int(std::lround(arrow.width() * scale)));
    if (part == SC_ComboBoxArrow) return rect.adjusted(narrower, 0, 0, 0);
    return rect.adjusted(0, 0, narrower, 0);
  }

 private:
  static double Scale(const QWidget* widget) {
    const double scale = widget ? widget->font().pointSizeF() / form1::kDesignFontSize : 1.0;
    return scale > 0 ? scale : 1.0;
  }
};

QColor FromBgr(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

Qt::Alignment AlignmentOf(form1::Align a) {
  switch (a) {
    case form1::Align::Center: return Qt::AlignCenter;
    case form1::Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case form1::Align::Left: break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

void SetToolTip(QWidget* w, const std::string& tip) {
  const QString t = Q(tip);
  if (w->toolTip() != t) w->setToolTip(t);
}

void SetFill(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, colour);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

}  // namespace

QFont Form1::DesignFont(const DesignControl& d) const {
  QFont f;
  if (d.font == FontRole::Fixed) {
    f.setFamilies({"DejaVu Sans Mono", "Liberation Mono", "Monospace"});
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
  } else {
    f.setFamilies({"DejaVu Sans", "Liberation Sans", "Sans Serif"});
    f.setStyleHint(QFont::SansSerif);
  }
  f.setPointSizeF(form1::kDesignFontSize);
  f.setBold(d.font == FontRole::Bold);
  return f;
}

int Form1::MeasuredFieldWidth(QWidget* field, int spaces) const {
  // As wide as the run of spaces in the field's own font, and the frame.
  const QFontMetrics fm(field->font());
  return fm.horizontalAdvance(QString(spaces, QLatin1Char(' '))) + 8;
}

void Form1::BuildWidgets() {
  // The style of check boxes, option buttons and lists goes with the client
  // area's last child, after every widget that uses it.
  controlStyle_ = new ScaledControlStyle(QStyleFactory::create(QApplication::style()->name()));
  for (const DesignControl& d : form1::Form1Controls()) {
    QWidget* parent = client_;
    if (!d.parent.empty()) {
      const auto it = byName_.find(d.parent);
      if (it != byName_.end()) parent = it->second;
    }
    QWidget* w = CreateWidget(d, parent);
    w->setObjectName(Q(d.name));
    w->setProperty("tag", Q(d.tag));
    if (d.font != FontRole::None) w->setFont(DesignFont(d));
    w->setGeometry(d.left / form1::kTwipsPerPixel, d.top / form1::kTwipsPerPixel,
                   d.width / form1::kTwipsPerPixel, d.height / form1::kTwipsPerPixel);
    if (!d.tooltip.empty()) w->setToolTip(Q(d.tooltip));
    w->installEventFilter(this);
    items_.push_back(Item{w, &d});
    byName_[d.name] = w;
    designOf_[w] = &d;
    switch (d.kind) {
      case Kind::Page: pages_.push_back(w); break;
      case Kind::TabButton: tabButtons_.push_back(w); break;
      case Kind::TabLabel: tabLabels_.push_back(w); break;
      case Kind::Background: background_ = w; break;
      default: break;
    }
    ConnectWidget(w, d);
  }
  controlStyle_->setParent(client_);
}

QWidget* Form1::CreateWidget(const DesignControl& d, QWidget* parent) {
  const QString caption = Q(d.caption);
  const QString shown = Q(form1::DisplayCaption(d.caption));
  switch (d.kind) {
    case Kind::Background:
      return new TabBackground(parent, [this] { TabBackgroundMouseMove(); });
    case Kind::TabButton: {
      auto* b = new QPushButton(caption, parent);  // "&&" shows as one "&" on a button
      b->setFocusPolicy(Qt::NoFocus);
      return b;
    }
    case Kind::TabLabel: {
      auto* l = new QLabel(shown, parent);
      l->setAlignment(Qt::AlignCenter);
      l->setFrameStyle(QFrame::Panel | QFrame::Raised);
      SetFill(l, kPageColour);
      return l;
    }
    case Kind::Page: {
      auto* p = new QFrame(parent);
      p->setFrameStyle(QFrame::Panel | QFrame::Raised);
      p->setFocusPolicy(Qt::ClickFocus);
      SetFill(p, kPageColour);
      return p;
    }
    case Kind::Frame: return new QGroupBox(caption, parent);
    case Kind::Panel: {
      auto* p = new QFrame(parent);
      if (d.name == "picPLL") {
        p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        SetFill(p, kCellColour);
      }
      return p;
    }
    case Kind::Label: {
      auto* l = new QLabel(shown, parent);
      l->setAlignment(AlignmentOf(d.align));
      return l;
    }
    case Kind::Cell: {
      auto* l = new QLabel(shown, parent);
      l->setAlignment(AlignmentOf(d.align));
      l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      SetFill(l, kCellColour);
      return l;
    }
    case Kind::StatusField: {
      auto* e = new QLineEdit(parent);
      e->setReadOnly(true);
      e->setFocusPolicy(Qt::NoFocus);
      return e;
    }
    case Kind::CheckBox: {
      auto* b = new QCheckBox(caption, parent);
      b->setStyle(controlStyle_);
      return b;
    }
    case Kind::List: {
      auto* c = new QComboBox(parent);
      c->setStyle(controlStyle_);
      return c;
    }
    case Kind::TextField: return new QLineEdit(parent);
    case Kind::Button: {
      auto* b = new QPushButton(caption, parent);
      if (d.hasPicture) {
        // Both ratios: the icon picks what the screen needs.
        QIcon icon;
        for (qreal ratio : {1.0, 2.0}) icon.addPixmap(LoadDefaultPicture(ratio));
        b->setIcon(icon);
        b->setIconSize(QSize(14, 14));
      }
      return b;
    }
    case Kind::ModeOption: {
      auto* r = new QRadioButton(caption, parent);
      r->setStyle(controlStyle_);
      SetFill(r, kPageColour);
      return r;
    }
    case Kind::Slider: {
      // The contrast slider's thumb is 150 twips wide, not the control's default.
      auto* s = new EBSlider(parent);
      s->setSliderWidth(150);
      return s;
    }
  }
  return new QWidget(parent);
}

void Form1::ConnectWidget(QWidget* w, const DesignControl& d) {
  const CtlRef ref = d.ctl;
  switch (d.kind) {
    case Kind::TabButton: {
      const int page = int(tabButtons_.size()) - 1;
      connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this, [this, page] { ShowPage(page); });
      break;
    }
    case Kind::CheckBox:
      connect(static_cast<QCheckBox*>(w), &QCheckBox::clicked, this, [this, ref](bool checked) {
        Guarded("a check box", [&] { editor_.UserSetCheck(ref, checked ? 1 : 0); });
        AfterAction();
      });
      break;
    case Kind::List:
      connect(static_cast<QComboBox*>(w), &QComboBox::activated, this, [this, ref](int index) {
        Guarded("a list", [&] { editor_.UserSelect(ref, index); });
        AfterAction();
      });
      break;
    case Kind::TextField:
      connect(static_cast<QLineEdit*>(w), &QLineEdit::textEdited, this, [this, ref](const QString& text) {
        Guarded("a text field", [&] { editor_.UserEditText(ref, text.toStdString()); });
        AfterAction();
      });
      break;
    case Kind::Button:
    case Kind::ModeOption:
      connect(static_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this, [this, ref] {
        Guarded("a button", [&] { editor_.Click(ref); });
        AfterAction();
      });
      break;
    case Kind::Slider: {
      auto* s = static_cast<EBSlider*>(w);
      connect(s, &EBSlider::changed, this, [this, s] {
        Guarded("the contrast slider", [&] { editor_.UserSetSlider(s->value()); });
        AfterAction();
      });
      break;
    }
    default: break;
  }
}

QWidget* Form1::control(std::string_view name) const {
  const auto it = byName_.find(std::string(name));
  return it == byName_.end() ? nullptr : it->second;
}

QWidget* Form1::widgetFor(CtlRef ref) const {
  if (ref.array == Ctl::picTabBack) {
    if (currentPage_ >= 0 && currentPage_ < int(pages_.size())) return pages_[currentPage_];
    return background_;
  }
  for (const Item& item : items_)
    if (item.design->ctl == ref && item.design->kind != Kind::StatusField) return item.widget;
  return nullptr;
}

// ------------------------------------------------------------------ redraw

void Form1::Refresh() {
  if (refreshing_) return;
  refreshing_ = true;
  for (const Item& item : items_) RefreshItem(item);
  refreshing_ = false;
}

void Form1::RefreshItem(const Item& item) {
  QWidget* w = item.widget;
  const DesignControl& d = *item.design;
  // Setting widgets from the editor's state is not a user action: no echo.
  const QSignalBlocker block(w);

  if (d.label.which != form1::Lbl::None) {
    const LabelState* l = form1::ResolveLabel(editor_, d.label);
    if (!l) return;
    const QString text = l->text.empty() ? Q(form1::DisplayCaption(d.caption)) : Q(l->text);
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (label->text() != text) label->setText(text);
      QPalette pal = label->palette();
      if (pal.color(QPalette::WindowText) != FromBgr(l->color)) {
        pal.setColor(QPalette::WindowText, FromBgr(l->color));
        label->setPalette(pal);
      }
    } else if (auto* field = qobject_cast<QLineEdit*>(w)) {
      if (field->text() != text) field->setText(text);
    }
    SetToolTip(w, l->tooltip.empty() ? d.tooltip : l->tooltip);
    if (l->exists) w->setVisible(l->visible);
    w->setEnabled(l->enabled);
    return;
  }

  if (d.ctl.array == Ctl::None || d.ctl.array == Ctl::picTabBack) return;
  const ControlState* c = editor_.Control(d.ctl);
  if (!c || !c->exists) {
    w->setVisible(false);
    return;
  }
  w->setVisible(c->visible);
  w->setEnabled(c->usable());

  switch (d.kind) {
    case Kind::CheckBox:
      if (const CheckBoxState* box = editor_.Check(d.ctl)) static_cast<QCheckBox*>(w)->setChecked(box->value == 1);
      break;
    case Kind::List:
      if (const ListState* list = editor_.List(d.ctl)) {
        auto* combo = static_cast<QComboBox*>(w);
        bool same = combo->count() == int(list->entries.size());
        for (int i = 0; same && i < combo->count(); ++i) same = combo->itemText(i) == Q(list->entries[i]);
        if (!same) {
          combo->clear();
          for (const std::string& e : list->entries) combo->addItem(Q(e));
        }
        if (combo->currentIndex() != list->index) combo->setCurrentIndex(list->index);
      }
      break;
    case Kind::TextField:
      if (const TextState* t = editor_.Text(d.ctl)) {
        auto* field = static_cast<QLineEdit*>(w);
        field->setMaxLength(t->maxLength > 0 ? t->maxLength : 32767);
        const QString text = Q(t->text);
        if (field->text() != text) field->setText(text);
        if (field->font().bold() != t->bold) {
          QFont f = field->font();
          f.setBold(t->bold);
          field->setFont(f);
        }
        if (t->measureSpaces > 0) {
          const int width = MeasuredFieldWidth(field, t->measureSpaces);
          if (field->width() != width) field->resize(width, field->height());
        }
        SetToolTip(w, t->tooltip.empty() ? d.tooltip : t->tooltip);
      }
      break;
    case Kind::ModeOption: {
      const bool selected = (d.ctl.array == Ctl::WriteOpt) == editor_.writeMode;
      if (selected) static_cast<QRadioButton*>(w)->setChecked(true);
      break;
    }
    case Kind::Slider: {
      auto* s = static_cast<EBSlider*>(w);
      if (s->minimum() != editor_.Slider1.Min || s->maximum() != editor_.Slider1.Max)
        s->setRange(editor_.Slider1.Min, editor_.Slider1.Max);
      if (s->value() != editor_.Slider1.Value) s->setValue(editor_.Slider1.Value);
      break;
    }
    default: break;
  }
}

}  // namespace qrt
