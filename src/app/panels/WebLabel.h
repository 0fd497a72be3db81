#pragma once

#include <QLabel>

namespace tolvex::app {

// A hyperlink label: a plain text that reacts to a click, with no pressed state.
class WebLabel : public QLabel
{
    Q_OBJECT

public:
    WebLabel(const QString &objectName, const QString &caption, QWidget *parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setUnderline(bool on);
};

} // namespace tolvex::app
