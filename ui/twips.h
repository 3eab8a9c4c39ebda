#pragma once

#include <QPaintDevice>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QtMath>

namespace pressling::ui {

// Window positions are given in twips (1/1440 inch). They become pixels through
// the logical dpi of the device they are shown on: 15 twips per pixel at 96 dpi.
inline constexpr double kTwipsPerInch = 1440.0;

inline double TwipsToPixelsX(double twips, const QPaintDevice& device) {
  return twips * device.logicalDpiX() / kTwipsPerInch;
}

inline double TwipsToPixelsY(double twips, const QPaintDevice& device) {
  return twips * device.logicalDpiY() / kTwipsPerInch;
}

inline QPointF TwipsToPoint(double x, double y, const QPaintDevice& device) {
  return {TwipsToPixelsX(x, device), TwipsToPixelsY(y, device)};
}

inline QSize TwipsToSize(double width, double height, const QPaintDevice& device) {
  return {qRound(TwipsToPixelsX(width, device)), qRound(TwipsToPixelsY(height, device))};
}

inline QRect TwipsToRect(double x, double y, double width, double height, const QPaintDevice& device) {
  return {qRound(TwipsToPixelsX(x, device)), qRound(TwipsToPixelsY(y, device)),
          qRound(TwipsToPixelsX(width, device)), qRound(TwipsToPixelsY(height, device))};
}

}  // namespace pressling::ui
