#pragma once
// The Graph tab: the course graph of the open course's plan.

#include <QWidget>
#include <memory>

#include "course/OpenCourse.h"
#include "ui/CourseView.h"

namespace ui {

class CourseGraph;

class GraphTab : public QWidget, public CourseView {
  Q_OBJECT
 public:
  explicit GraphTab(const course::OpenCourse& course, QWidget* parent = nullptr);
  ~GraphTab() override;

  CourseGraph& graph() const { return *graph_; }
  void refresh(course::Parts parts) override;

 private:
  const course::OpenCourse& course_;
  std::unique_ptr<CourseGraph> graph_;
};

}  // namespace ui
