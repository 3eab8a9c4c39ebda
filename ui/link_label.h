#pragma once

#include <QCursor>
#include <QLabel>
#include <QUrl>
#include <functional>

namespace pressling::ui {

// The address the link shows and opens.
inline constexpr char HomePageAddress[] = "http://www.example.com/dorv/";

// Told whether the address was handed to a browser; may be called after the
// opener has returned.
using OpenDone = std::function<void(bool opened)>;
// Opens a web address and calls done once it knows the outcome.
using UrlOpener = std::function<void(const QUrl&, const OpenDone& done)>;

// The default opener. On Linux it runs "xdg-open ADDRESS" without waiting for
// it and reports success only when that exits with status 0; where xdg-open is
// not on the PATH, and on other systems, it asks QDesktopServices::openUrl.
void OpenInBrowser(const QUrl& url, const OpenDone& done);

// The pointing hand shown over whatever can be clicked in the window.
QCursor HandCursor();

// Label3: the home-page link under the title lettering. A click, or Enter or
// Space while it has the keyboard focus, opens HomePageAddress and, when that
// worked, shows the link as visited.
class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  static constexpr QRgb kUnvisitedColour = 0x0000FF;  // RGB(0, 0, 255)
  static constexpr QRgb kVisitedColour = 0xC080C0;    // RGB(192, 128, 192)

  explicit LinkLabel(QWidget* parent = nullptr);

  // Replaces how the address is opened (OpenInBrowser by default).
  void SetOpener(UrlOpener opener);
  QColor TextColour() const;
  // Opens the address as a click does.
  void Activate();

 signals:
  // The opener of a click has reported its outcome; the colour is already set.
  void OpenFinished(bool opened);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void SetTextColour(QRgb rgb);

  UrlOpener opener_;
  bool pressed_ = false;
};

}  // namespace pressling::ui
