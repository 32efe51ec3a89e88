#include "dialog_kit.h"

#include "style/caption_label.h"
#include "style/colors.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep::DialogKit {

QLineEdit* textField(const QString& objectName, const QString& accessibleName,
                     const QString& placeholder) {
    auto* field = new QLineEdit;
    field->setObjectName(objectName);
    field->setAccessibleName(accessibleName);
    field->setPlaceholderText(placeholder);
    return field;
}

std::string text(const QLineEdit* field) {
    return field->text().toStdString();
}

QVBoxLayout* sheetLayout(QDialog* dialog, int width) {
    dialog->setFixedWidth(width);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(22, 22, 22, 22);
    layout->setSpacing(18);
    return layout;
}

QLabel* title(const QString& text, const QString& objectName) {
    auto* label = new TintedLabel(text, TypeRamp::font(TypeRamp::Style::title3, QFont::Bold),
                                  Colors::primary);
    label->setObjectName(objectName);
    return label;
}

QLabel* pathLine(const QString& path) {
    auto* label =
        new TintedLabel(path, TypeRamp::monospaced(TypeRamp::Style::caption), Colors::secondary);
    label->setObjectName(QStringLiteral("pathLabel"));
    return label;
}

QVBoxLayout* keyHeading(const QString& title, const std::string& path) {
    auto* heading = new QVBoxLayout;
    heading->setSpacing(4);
    heading->addWidget(DialogKit::title(title, QStringLiteral("titleLabel")));
    heading->addWidget(pathLine(QString::fromStdString(path)));
    return heading;
}

QVBoxLayout* fieldGroup() {
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    return layout;
}

QWidget* field(const QString& caption, QWidget* input, QList<QWidget*> below, bool required) {
    auto* captionLine = new QHBoxLayout;
    captionLine->setSpacing(3);
    auto* name = new CaptionLabel(caption);
    name->setBuddy(input);
    captionLine->addWidget(name);
    if (required)
        captionLine->addWidget(
            new TintedLabel(QStringLiteral("*"), name->font(), Colors::destructive));
    captionLine->addStretch();
    if (input->accessibleName().isEmpty())
        input->setAccessibleName(caption.left(1) + caption.mid(1).toLower());

    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addLayout(captionLine);
    layout->addWidget(input);
    for (QWidget* line : below)
        layout->addWidget(line);
    return box;
}

QBoxLayout* pair(QWidget* first, QWidget* second) {
    auto* layout = new QHBoxLayout;
    layout->setSpacing(14);
    layout->addWidget(first, 1, Qt::AlignTop);
    layout->addWidget(second, 1, Qt::AlignTop);
    return layout;
}

QLabel* hint(const QString& text) {
    auto* label = new TintedLabel(text, TypeRamp::sized(11), Colors::secondary);
    label->setWordWrap(true);
    return label;
}

QLabel* problem(const QString& text) {
    auto* label =
        new TintedLabel(text, TypeRamp::font(TypeRamp::Style::caption), Colors::destructive);
    label->setWordWrap(true);
    return label;
}

QLabel* problemLine(const QString& objectName) {
    QLabel* line = problem(QString());
    line->setObjectName(objectName);
    line->hide();
    return line;
}

QBoxLayout* buttonRow(QPushButton* cancel, QPushButton* action, int spacing) {
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    action->setAutoDefault(false);
    action->setDefault(true);
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing);
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

QMessageBox* alert(const QString& objectName, const QString& title, QWidget* parent) {
    auto* box = new QMessageBox(parent);
    box->setObjectName(objectName);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    return box;
}

} // namespace moorkeep::DialogKit
