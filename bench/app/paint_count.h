#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

// Counts the paint events a widget receives, so a bench can wait until what
// it changed is on screen.
class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
