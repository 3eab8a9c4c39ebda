#include "ui/details_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPen>
#include <QStringList>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pressling::ui {
namespace {

constexpr int kCheckerCell = 4;  // screen pixels
const QColor kCheckerLight(255, 255, 255);
const QColor kCheckerDark(204, 204, 204);
constexpr int kNoteWidth = 160;

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// A row's text: reached with Tab, it draws a dotted frame while it has the
// focus, and tells assistive technology its first line as name, the others
// as description.
class RowText : public QLabel {
 public:
  RowText(const DetailsRow& row, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setText(QStringLiteral("<b>%1</b><br>%2<br>%3<br>%4")
                .arg(Text(row.title).toHtmlEscaped(), Text(row.shape).toHtmlEscaped(),
                     Text(row.bytes).toHtmlEscaped(), Text(row.codec).toHtmlEscaped()));
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::StrongFocus);
    setMargin(kFrameGap);
    setAccessibleName(Text(row.title));
    setAccessibleDescription(QStringList{Text(row.shape), Text(row.bytes), Text(row.codec)}.join(QLatin1Char('\n')));
  }

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QLabel::focusInEvent(event);
    // The scroll area follows Tab inside it by itself, not focus that comes
    // from outside it (Shift+Tab from the button, Tab past the last row).
    for (QWidget* above = parentWidget(); above != nullptr; above = above->parentWidget()) {
      if (auto* scroll = qobject_cast<QScrollArea*>(above)) {
        scroll->ensureWidgetVisible(this);
        break;
      }
    }
  }

  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  static constexpr int kFrameGap = 2;  // pixels between the frame and the text
};

// The picture of one side, or its note in grey when it has none; name is
// what assistive technology calls it.
QLabel* SideLabel(const DetailsPicture& side, int scale, const QString& name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setAccessibleName(name);
  if (side.picture && side.picture->width > 0 && side.picture->height > 0) {
    label->setPixmap(QPixmap::fromImage(DetailsDialog::Shown(*side.picture, scale)));
    return label;
  }
  // One line, cut to the column's width; the whole note is in the tool tip.
  const QString note = side.note.empty() ? QStringLiteral("—") : Text(side.note);
  label->setText(label->fontMetrics().elidedText(note, Qt::ElideRight, kNoteWidth));
  label->setToolTip(note);
  label->setStyleSheet(QStringLiteral("color: gray;"));
  return label;
}

QLabel* Heading(const std::string& utf8, QWidget* parent) {
  return new QLabel(QStringLiteral("<b>%1</b>").arg(Text(utf8).toHtmlEscaped()), parent);
}

}  // namespace

QImage DetailsDialog::Shown(const BitmapPicture& picture, int scale) {
  const QImage pixels(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                      QImage::Format_RGBA8888);
  const QSize size(picture.width * scale, picture.height * scale);
  QImage shown(size, QImage::Format_RGB32);
  QPainter painter(&shown);
  for (int y = 0; y < size.height(); y += kCheckerCell)
    for (int x = 0; x < size.width(); x += kCheckerCell)
      painter.fillRect(x, y, kCheckerCell, kCheckerCell,
                       (x / kCheckerCell + y / kCheckerCell) % 2 ? kCheckerDark : kCheckerLight);
  painter.drawImage(0, 0, pixels.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
  return shown;
}

DetailsDialog::DetailsDialog(const Details& details, const Language& language, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DetailsDialog"));
  // A window does not take its parent's font by itself; the labels may be Japanese.
  if (parent != nullptr) setFont(parent->font());
  setWindowTitle(Text(language.TrC("details window", "Details")));
  setSizeGripEnabled(true);
  resize(720, 520);

  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel(Text(details.heading), this);
  heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(heading);
  if (!details.message.empty()) {
    auto* message = new QLabel(Text(details.message), this);
    message->setObjectName(QStringLiteral("DetailsMessage"));
    message->setWordWrap(true);
    message->setStyleSheet(QStringLiteral("color: #b00000;"));
    layout->addWidget(message);
  }

  auto* rows = new QWidget(this);  // takes the font now; the scroll area adopts it below
  auto* grid = new QGridLayout(rows);
  grid->setHorizontalSpacing(16);
  grid->setVerticalSpacing(10);
  grid->addWidget(Heading(language.TrC("details window", "Before"), rows), 0, 0);
  grid->addWidget(Heading(language.TrC("details window", "After"), rows), 0, 1);
  before_.reserve(details.rows.size());
  after_.reserve(details.rows.size());
  int line = 1;
  const std::string* group = nullptr;
  for (const DetailsRow& row : details.rows) {
    // An archive's rows come grouped by database, each group under its name.
    if (!row.group.empty() && (!group || *group != row.group)) {
      auto* name = new QLabel(QStringLiteral("<b>%1</b>").arg(Text(row.group).toHtmlEscaped()), rows);
      name->setObjectName(QStringLiteral("DetailsGroup"));
      name->setTextInteractionFlags(Qt::TextSelectableByMouse);
      grid->addWidget(name, line++, 0, 1, 3);
    }
    group = &row.group;
    QLabel* before = SideLabel(row.before, row.scale, Text(language.Trf("%s, before", {row.title})), rows);
    QLabel* after = SideLabel(row.after, row.scale, Text(language.Trf("%s, after", {row.title})), rows);
    before_.push_back(before);
    after_.push_back(after);
    grid->addWidget(before, line, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(after, line, 1, Qt::AlignLeft | Qt::AlignTop);
    auto* text = new RowText(row, rows);
    text->setObjectName(QStringLiteral("DetailsRow"));
    grid->addWidget(text, line, 2, Qt::AlignLeft | Qt::AlignTop);
    ++line;
  }
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(line, 1);

  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setWidget(rows);
  layout->addWidget(scroll, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(Text(language.TrC("details window", "Close")));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

QLabel* DetailsDialog::Picture(int row, bool after) const {
  if (row < 0 || row >= RowCount()) return nullptr;
  QLabel* label = after ? after_[row] : before_[row];
  return label->pixmap().isNull() ? nullptr : label;
}

}  // namespace pressling::ui
