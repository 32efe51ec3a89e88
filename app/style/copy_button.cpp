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

void CopyButton::copy() {
    auto* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(copyText_);
    setCopied(true);
    QTimer::singleShot(copiedMilliseconds, this, [this] { setCopied(false); });
}

void CopyButton::setCopied(bool copied) {
    copied_ = copied;
    setText(copied ? tr("Copied") : tr("Copy"));
    setIcon(Symbols::icon(copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc")));
}

} // namespace moorkeep
