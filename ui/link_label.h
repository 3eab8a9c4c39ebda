#pragma once

#include <QLabel>
#include <QUrl>
#include <functional>

namespace pressling::ui {

// The address the link shows and opens.
inline constexpr char HomePageAddress[] = "http://www.example.com/dorv/";

// Opens a web address; true when the desktop accepted the request.
using UrlOpener = std::function<bool(const QUrl&)>;

// Label3: the home-page link under the title lettering. A click opens
// HomePageAddress and, when that worked, shows the link as visited.
class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  static constexpr QRgb kUnvisitedColour = 0x0000FF;  // RGB(0, 0, 255)
  static constexpr QRgb kVisitedColour = 0xC080C0;    // RGB(192, 128, 192)

  explicit LinkLabel(QWidget* parent = nullptr);

  // Replaces how the address is opened (QDesktopServices::openUrl by default).
  void SetOpener(UrlOpener opener);
  QColor TextColour() const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetTextColour(QRgb rgb);

  UrlOpener opener_;
  bool pressed_ = false;
};

}  // namespace pressling::ui
