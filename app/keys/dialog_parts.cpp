#include "keys/dialog_parts.h"

#include "store_error.h"
#include "style/caption_label.h"
#include "style/colors.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QApplication>
#include <QDialog>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep::DialogParts {

QVBoxLayout* sheetLayout(QDialog* dialog, int width) {
    dialog->setFixedWidth(width);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(22, 22, 22, 22);
    layout->setSpacing(18);
    return layout;
}

QLabel* title(const QString& text) {
    auto* label = new TintedLabel(text, TypeRamp::font(TypeRamp::Style::title3, QFont::Bold),
                                  Colors::primary);
    label->setObjectName(QStringLiteral("titleLabel"));
    return label;
}

QLabel* pathLine(const QString& path) {
    auto* label =
        new TintedLabel(path, TypeRamp::monospaced(TypeRamp::Style::caption), Colors::secondary);
    label->setObjectName(QStringLiteral("pathLabel"));
    return label;
}

QVBoxLayout* fieldGroup() {
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    return layout;
}

QWidget* field(const QString& caption, QWidget* control, QWidget* below) {
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    auto* label = new CaptionLabel(caption);
    label->setBuddy(control);
    layout->addWidget(label);
    layout->addWidget(control);
    if (control->accessibleName().isEmpty())
        control->setAccessibleName(caption.left(1) + caption.mid(1).toLower());
    if (below)
        layout->addWidget(below);
    return block;
}

QLabel* hint(const QString& text) {
    auto* label = new TintedLabel(text, TypeRamp::sized(11), Colors::secondary);
    label->setWordWrap(true);
    return label;
}

QLabel* problem(const QString& text) {
    return new TintedLabel(text, TypeRamp::sized(11), Colors::destructive);
}

QBoxLayout* buttonRow(QPushButton* cancel, QPushButton* action) {
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    action->setAutoDefault(false);
    action->setDefault(true);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch();
    row->addWidget(cancel);
    row->addWidget(action);
    return row;
}

void setDestructive(QPushButton* button, bool destructive) {
    button->setProperty("destructive", destructive);
    // Red only while it can be pressed: disabled, it looks like any other.
    QPalette palette = QApplication::palette(button);
    if (destructive)
        for (auto group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::ButtonText, Colors::destructive());
    button->setPalette(palette);
}

void awaitFailure(const QFuture<void>& future, QObject* context,
                  std::function<void(std::optional<QString>)> onFailure) {
    auto* watcher = new QFutureWatcher<void>(context);
    QObject::connect(watcher, &QFutureWatcher<void>::finished, context,
                     [watcher, onFailure = std::move(onFailure)] {
                         watcher->deleteLater();
                         QFuture<void> done = watcher->future();
                         try {
                             done.waitForFinished();
                         } catch (const StoreError& error) {
                             onFailure(error.message());
                             return;
                         } catch (const std::exception& error) {
                             onFailure(QString::fromUtf8(error.what()));
                             return;
                         }
                         if (done.isCanceled())
                             onFailure(std::nullopt);
                     });
    watcher->setFuture(future);
}

void awaitSuccess(const QFuture<void>& future, QObject* context, std::function<void()> onSuccess) {
    auto* watcher = new QFutureWatcher<void>(context);
    QObject::connect(watcher, &QFutureWatcher<void>::finished, context,
                     [watcher, onSuccess = std::move(onSuccess)] {
                         watcher->deleteLater();
                         QFuture<void> done = watcher->future();
                         try {
                             done.waitForFinished();
                         } catch (const std::exception&) {
                             return;
                         }
                         if (!done.isCanceled())
                             onSuccess();
                     });
    watcher->setFuture(future);
}

} // namespace moorkeep::DialogParts

namespace moorkeep {

FailureBox::FailureBox(QWidget* parent)
    : QLabel(parent) {
    setObjectName(QStringLiteral("failureLabel"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFont(TypeRamp::font(TypeRamp::Style::callout));
    setContentsMargins(10, 10, 10, 10);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Colors::destructive());
    setPalette(palette);
    hide();
}

void FailureBox::setMessage(const std::optional<QString>& message) {
    setText(message.value_or(QString()));
    setAccessibleName(message.value_or(QString()));
    setVisible(message.has_value());
    // The dialog grows or shrinks with the box rather than squeezing its
    // fields into the height it had.
    if (QWidget* dialog = window(); dialog != this && dialog->isVisible())
        dialog->adjustSize();
}

void FailureBox::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(path, Colors::withOpacity(Colors::destructive(), 0.08));
    }
    QLabel::paintEvent(event);
}

} // namespace moorkeep
