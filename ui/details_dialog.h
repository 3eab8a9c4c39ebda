#pragma once

#include <QDialog>
#include <QImage>
#include <vector>

#include "ui/details_model.h"

class QLabel;

namespace pressling::ui {

// The details of the last run: one row per bitmap with its picture before and
// after, side by side, and what the run did with it. Only shows; closing it
// changes nothing.
class DetailsDialog : public QDialog {
  Q_OBJECT

 public:
  // Its own texts in language; those of details are written already.
  DetailsDialog(const Details& details, const Language& language, QWidget* parent = nullptr);

  int RowCount() const { return static_cast<int>(before_.size()); }
  // The label that shows row's picture on one side; null when that side has none.
  QLabel* Picture(int row, bool after) const;

  // A picture as the dialog shows it: scale screen pixels for each of its
  // pixels, nearest neighbour, on a checkerboard where it is transparent.
  static QImage Shown(const BitmapPicture& picture, int scale);

 private:
  std::vector<QLabel*> before_;
  std::vector<QLabel*> after_;
};

}  // namespace pressling::ui
