#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>

namespace moorkeep {

// What a screen remembers while the window is open, also across switches to
// the other tab: the selected entry and the search text here, the open
// dialog and the entry waiting for a delete confirmation in ScreenStateOf.
// The sidebar, the detail pane and the screen's dialogs all follow its
// change signals.
class ScreenState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<std::string>& selectedId() const { return selectedId_; }
    const QString& search() const { return search_; }

    void setSelectedId(std::optional<std::string> id) {
        change(selectedId_, std::move(id), &ScreenState::selectedIdChanged);
    }
    void setSearch(QString search) {
        change(search_, std::move(search), &ScreenState::searchChanged);
    }

signals:
    void selectedIdChanged();
    void searchChanged();
    void sheetChanged();
    void toDeleteChanged();

protected:
    template <typename T> void change(T& field, T value, void (ScreenState::*changed)()) {
        if (field == value)
            return;
        field = std::move(value);
        emit(this->*changed)();
    }

private:
    std::optional<std::string> selectedId_;
    QString search_;
};

// A screen's state with its kind of dialog (Sheet) and of entry (Item).
template <typename Sheet, typename Item> class ScreenStateOf : public ScreenState {
public:
    using ScreenState::ScreenState;

    const std::optional<Sheet>& sheet() const { return sheet_; }
    const std::optional<Item>& toDelete() const { return toDelete_; }

    void setSheet(std::optional<Sheet> sheet) {
        change(sheet_, std::move(sheet), &ScreenState::sheetChanged);
    }
    void setToDelete(std::optional<Item> item) {
        change(toDelete_, std::move(item), &ScreenState::toDeleteChanged);
    }

private:
    std::optional<Sheet> sheet_;
    std::optional<Item> toDelete_;
};

} // namespace moorkeep
