#pragma once
// The pages of a prepared report one below the other on a grey desk, at any zoom, with the places
// a search found marked on them.

#include <QAbstractScrollArea>
#include <vector>

#include "report/DisplayList.h"
#include "report/TextSearch.h"

namespace ui {

class PageView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit PageView(QWidget* parent = nullptr);

  // Shows `report` (which must outlive the view or be replaced first) from its first page.
  void setReport(const report::PreparedReport* report);

  // Zoom as a share of the paper's real size on this screen (1.0 = 100 %).
  double zoom() const { return zoom_; }
  void setZoom(double zoom);
  // The zoom at which the widest page fills the view's width, or a whole page fits in it.
  double pageWidthZoom() const;
  double wholePageZoom() const;

  int pageCount() const;
  // The page shown: the one last asked for, or after scrolling the one under the middle of the
  // view; from 0, -1 without pages.
  int currentPage() const { return current_; }
  void showPage(int page);

  // Marks the places found; `current` (an index into `hits`, or -1) is marked more strongly and
  // scrolled into view.
  void setHits(std::vector<report::TextHit> hits, int current);

  // The page's rectangle in the view's content, in pixels.
  QRectF pageRect(int page) const;

 signals:
  void currentPageChanged(int page);
  void zoomChanged(double zoom);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  double pixelsPerMm() const;
  void relayout();
  int pageAt(double y) const;  // the page whose rectangle (or the gap below it) holds content row y
  int pageAtMiddle() const;
  void setCurrent(int page);

  const report::PreparedReport* report_ = nullptr;
  double zoom_ = 1.0;
  std::vector<report::TextHit> hits_;
  int currentHit_ = -1;
  int current_ = -1;
  bool movingToPage_ = false;
  std::vector<double> tops_;  // each page's top in the content at the present zoom, in pixels
  double widest_ = 0;         // the widest page, in millimetres
};

}  // namespace ui
