#pragma once

#include <QSlider>

namespace tolvex::app {

// A slider that reports every mouse-button release it receives: after dragging the handle, and
// after a click on the groove, which QSlider::sliderReleased does not report.
class TrackBar : public QSlider
{
    Q_OBJECT

public:
    TrackBar(const char *objectName, int minimum, int maximum, int position, QWidget *parent);

signals:
    void mouseUp();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace tolvex::app
