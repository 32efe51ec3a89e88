#include "copy_button.h"

#include "symbols.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

namespace moorkeep {

CopyButton::CopyButton(Look look, QWidget* parent)
    : QToolButton(parent) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoRaise(look == Look::borderless);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QToolButton::clicked, this, &CopyButton::copy);
    setCopied(false);
}

void CopyButton::setCopyText(const QString& text) {
    copyText_ = text;
    if (copied_)
        setCopied(false);
}

void CopyButton::copy() {
    auto* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(copyText_);
    setCopied(true);
    QTimer::singleShot(copiedMilliseconds, this, [this] { setCopied(false); });
}

void CopyButton::setSymbolColor(const QColor& color) {
    symbolColor_ = color;
    setCopied(copied_);
}

void CopyButton::setIdleAccessibleName(const QString& name) {
    idleName_ = name;
    setCopied(copied_);
}

void CopyButton::setCopied(bool copied) {
    copied_ = copied;
    setText(copied ? tr("Copied") : tr("Copy"));
    const QString symbol = copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc");
    setIcon(symbolColor_ ? Symbols::icon(symbol, *symbolColor_) : Symbols::icon(symbol));
    if (!idleName_.isEmpty())
        setAccessibleName(copied ? tr("Copied") : idleName_);
}

} // namespace moorkeep
