#pragma once

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <filesystem>

namespace pressling::test {

struct DropOutcome {
  bool enterAccepted = false;  // the window wanted the drag
  bool dropAccepted = false;   // the window took the drop
};

// Drags data onto window and drops it. The drop goes straight to the window's
// handler, as if the drag had entered before anything changed, so the
// handler's own checks are what is tested.
inline DropOutcome DropOn(QWidget& window, const QMimeData& data) {
  DropOutcome outcome;
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  enter.ignore();
  QCoreApplication::sendEvent(&window, &enter);
  outcome.enterAccepted = enter.isAccepted();
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  drop.ignore();
  static_cast<QObject&>(window).event(&drop);
  outcome.dropAccepted = drop.isAccepted();
  return outcome;
}

inline void SetLocalFiles(QMimeData& data, std::initializer_list<std::filesystem::path> files) {
  QList<QUrl> urls;
  for (const auto& file : files) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(file.string())));
  data.setUrls(urls);
}

// Pixels inside area (clipped to the images) that differ between before and after.
inline int ChangedPixels(const QImage& before, const QImage& after, QRect area) {
  area = area.intersected(before.rect()).intersected(after.rect());
  int changed = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (before.pixel(x, y) != after.pixel(x, y)) ++changed;
  return changed;
}

}  // namespace pressling::test
