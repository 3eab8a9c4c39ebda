#include "ui/details_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
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

// The picture of one side, or its note in grey when it has none.
QLabel* SideLabel(const DetailsPicture& side, int scale, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
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
    QLabel* before = SideLabel(row.before, row.scale, rows);
    QLabel* after = SideLabel(row.after, row.scale, rows);
    before_.push_back(before);
    after_.push_back(after);
    grid->addWidget(before, line, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(after, line, 1, Qt::AlignLeft | Qt::AlignTop);
    auto* text = new QLabel(rows);
    text->setTextFormat(Qt::RichText);
    text->setText(QStringLiteral("<b>%1</b><br>%2<br>%3<br>%4")
                      .arg(Text(row.title).toHtmlEscaped(), Text(row.shape).toHtmlEscaped(),
                           Text(row.bytes).toHtmlEscaped(), Text(row.codec).toHtmlEscaped()));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
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
