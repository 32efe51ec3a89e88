#pragma once

#include <QObject>

namespace moorkeep {

// Loads the fonts of the type ramp and draws a line in each, one font per
// turn of the event loop, while the first load runs: the screens then find
// their fonts and glyphs ready, instead of loading them all in the one long
// step that shows the lists. Stops once the model has loaded.
class FontWarmup : public QObject {
    Q_OBJECT

public:
    explicit FontWarmup(QObject* parent = nullptr);

    void start();
    void stop();

private:
    void warmNext();

    int next_ = 0;
    bool running_ = false;
};

} // namespace moorkeep
