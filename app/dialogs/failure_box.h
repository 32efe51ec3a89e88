#pragma once

#include <QLabel>
#include <optional>

namespace moorkeep {

// A failure the dialog's callback reported, in red on a red tint, above the
// buttons; hidden while there is none.
class FailureBox : public QLabel {
    Q_OBJECT

public:
    explicit FailureBox(QWidget* parent = nullptr);

    void setMessage(const std::optional<QString>& message);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace moorkeep
