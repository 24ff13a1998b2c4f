#include "ui/GraphTab.h"

#include <QChartView>
#include <QVBoxLayout>

#include "ui/ObjectNames.h"
#include "ui/widgets/CourseGraph.h"

namespace ui {

GraphTab::GraphTab(const course::OpenCourse& course, QWidget* parent)
    : QWidget(parent), course_(course), graph_(std::make_unique<CourseGraph>(this)) {
  setObjectName(names::TabGraph);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(graph_->view());
}

GraphTab::~GraphTab() = default;

void GraphTab::refresh(course::Parts parts) {
  if (!(parts & course::Part::Plan)) return;
  graph_->fill(course_.dosing().series());
  graph_->setTitle(course_.dosing().chartTitle());
}

}  // namespace ui
