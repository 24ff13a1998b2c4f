#include "ui/report/PageView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "report/PainterRenderer.h"

namespace ui {

namespace {

constexpr int kGap = 12;  // pixels of desk around and between the pages
constexpr double kSmallest = 0.1;
constexpr double kLargest = 8.0;

}  // namespace

PageView::PageView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("ReportPages"));
  setAccessibleName(QStringLiteral("Report pages"));
  viewport()->setBackgroundRole(QPalette::Dark);
  viewport()->setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
}

void PageView::setReport(const report::PreparedReport* report) {
  report_ = report;
  hits_.clear();
  currentHit_ = -1;
  current_ = -1;
  relayout();
  {
    const QScopedValueRollback<bool> moving(movingToPage_, true);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
  }
  viewport()->update();
  setCurrent(pageCount() ? 0 : -1);
}

double PageView::pixelsPerMm() const { return zoom_ * logicalDpiX() / 25.4; }

int PageView::pageCount() const { return report_ ? static_cast<int>(report_->pages.size()) : 0; }

QRectF PageView::pageRect(int page) const {
  if (page < 0 || page >= pageCount() || page >= static_cast<int>(tops_.size())) return {};
  const double ppm = pixelsPerMm();
  const double contentWidth = std::max<double>(widest_ * ppm + 2 * kGap, viewport()->width());
  const QSizeF size = report_->pages[static_cast<std::size_t>(page)].size * ppm;
  return QRectF(std::round((contentWidth - size.width()) / 2), tops_[static_cast<std::size_t>(page)],
                std::round(size.width()), std::round(size.height()));
}

int PageView::pageAt(double y) const {
  // The last page whose top lies at or above y.
  const auto after = std::upper_bound(tops_.begin(), tops_.end(), y);
  return std::max(0, static_cast<int>(after - tops_.begin()) - 1);
}

double PageView::pageWidthZoom() const {
  if (!pageCount()) return zoom_;
  double widest = 0;
  for (const auto& p : report_->pages) widest = std::max(widest, p.size.width());
  const double available = viewport()->width() - 2 * kGap - verticalScrollBar()->sizeHint().width();
  return std::clamp(available / (widest * logicalDpiX() / 25.4), kSmallest, kLargest);
}

double PageView::wholePageZoom() const {
  if (!pageCount()) return zoom_;
  const QSizeF size = report_->pages[static_cast<std::size_t>(std::max(0, current_))].size;
  const double mm = logicalDpiX() / 25.4;
  const double across = (viewport()->width() - 2 * kGap) / (size.width() * mm);
  const double down = (viewport()->height() - 2 * kGap) / (size.height() * mm);
  return std::clamp(std::min(across, down), kSmallest, kLargest);
}

void PageView::setZoom(double zoom) {
  zoom = std::clamp(zoom, kSmallest, kLargest);
  if (zoom == zoom_) return;
  // Keep the page in view where it was.
  const int page = std::max(0, current_);
  const QRectF before = pageRect(page);
  const double share = before.isEmpty() ? 0 : (verticalScrollBar()->value() - before.top()) / before.height();
  zoom_ = zoom;
  const QScopedValueRollback<bool> moving(movingToPage_, true);
  relayout();
  const QRectF after = pageRect(page);
  if (!after.isEmpty()) verticalScrollBar()->setValue(qRound(after.top() + share * after.height()));
  viewport()->update();
  emit zoomChanged(zoom_);
}

int PageView::pageAtMiddle() const {
  if (!pageCount()) return -1;
  const double middle = verticalScrollBar()->value() + viewport()->height() / 2.0;
  // The gap below a page still counts as that page.
  const int page = pageAt(middle);
  return middle < pageRect(page).bottom() + kGap ? page : std::min(page + 1, pageCount() - 1);
}

void PageView::showPage(int page) {
  if (!pageCount()) return;
  page = std::clamp(page, 0, pageCount() - 1);
  {
    // The last pages may not scroll up to the top of the view; the page asked for is the current
    // one all the same.
    const QScopedValueRollback<bool> moving(movingToPage_, true);
    verticalScrollBar()->setValue(qRound(pageRect(page).top()) - kGap);
  }
  setCurrent(page);
}

void PageView::setCurrent(int page) {
  if (page == current_) return;
  current_ = page;
  emit currentPageChanged(page);
}

void PageView::setHits(std::vector<report::TextHit> hits, int current) {
  hits_ = std::move(hits);
  currentHit_ = current >= 0 && current < static_cast<int>(hits_.size()) ? current : -1;
  if (currentHit_ >= 0) {
    const report::TextHit& hit = hits_[static_cast<std::size_t>(currentHit_)];
    const QRectF page = pageRect(hit.page);
    const QRectF area = hit.area.boundingRect();
    const double ppm = pixelsPerMm();
    const QRectF shown(page.left() + area.left() * ppm, page.top() + area.top() * ppm, area.width() * ppm,
                       area.height() * ppm);
    const int y = verticalScrollBar()->value();
    if (shown.top() < y || shown.bottom() > y + viewport()->height())
      verticalScrollBar()->setValue(qRound(shown.center().y() - viewport()->height() / 2.0));
    const int x = horizontalScrollBar()->value();
    if (shown.left() < x || shown.right() > x + viewport()->width())
      horizontalScrollBar()->setValue(qRound(shown.center().x() - viewport()->width() / 2.0));
  }
  viewport()->update();
}

void PageView::relayout() {
  // Where each page starts, worked out once for the zoom rather than for every page asked about.
  tops_.clear();
  widest_ = 0;
  if (!pageCount()) {
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setRange(0, 0);
    return;
  }
  const double ppm = pixelsPerMm();
  tops_.reserve(report_->pages.size());
  double top = kGap;
  for (const auto& p : report_->pages) {
    tops_.push_back(top);
    top += std::round(p.size.height() * ppm) + kGap;
    widest_ = std::max(widest_, p.size.width());
  }
  // The scroll bars count in whole pixels of an int; however large the pages, they stay within it.
  const auto pixels = [](double v) {
    return static_cast<int>(std::min(v, double(std::numeric_limits<int>::max() / 2)));
  };
  const int height = pixels(top);
  const int width = pixels(std::round(widest_ * ppm) + 2 * kGap);
  verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
  verticalScrollBar()->setPageStep(viewport()->height());
  verticalScrollBar()->setSingleStep(20);
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(20);
}

void PageView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  if (!pageCount()) return;
  const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const double ppm = pixelsPerMm();
  // Only the pages in the part to be painted.
  for (int p = pageAt(scroll.y() + event->rect().top()); p < pageCount(); ++p) {
    const QRectF page = pageRect(p).translated(-scroll);
    if (page.top() > event->rect().bottom()) break;
    if (!page.intersects(event->rect())) continue;
    painter.fillRect(page.translated(3, 3), palette().shadow());
    painter.fillRect(page, Qt::white);
    painter.save();
    painter.setClipRect(page.intersected(QRectF(event->rect())));
    painter.translate(page.topLeft());
    report::drawPage(painter, report_->pages[static_cast<std::size_t>(p)], ppm);
    // The places found, the current one stronger.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(ppm, ppm);
    painter.setPen(Qt::NoPen);
    for (std::size_t h = 0; h < hits_.size(); ++h) {
      if (hits_[h].page != p) continue;
      const bool current = static_cast<int>(h) == currentHit_;
      painter.setBrush(current ? QColor(255, 128, 0, 110) : QColor(255, 230, 0, 110));
      painter.drawPolygon(hits_[h].area);
    }
    painter.restore();
  }
}

void PageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  relayout();
}

void PageView::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    const double steps = event->angleDelta().y() / 120.0;
    setZoom(zoom_ * std::pow(1.25, steps));
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void PageView::scrollContentsBy(int dx, int dy) {
  QAbstractScrollArea::scrollContentsBy(dx, dy);
  if (!movingToPage_) setCurrent(pageAtMiddle());
}

}  // namespace ui
