#include "SettingActions.h"

#include <QAction>

namespace {
// The listener goes when the action goes, so a setting never calls into a deleted window.
template <typename T, typename TIo>
void Follow(QAction* action, TSetting<T, TIo>& setting, std::function<bool(const T&)> checked) {
    action->setChecked(checked(setting.Get()));
    const int id =
        setting.Subscribe([action, checked](const T& value) { action->setChecked(checked(value)); });
    QObject::connect(action, &QObject::destroyed, [&setting, id] { setting.Unsubscribe(id); });
}
} // namespace

void BindToggle(QAction* action, TSetting<bool>& setting) {
    action->setCheckable(true);
    Follow<bool, TIniIo<bool>>(action, setting, [](const bool& value) { return value; });
    QObject::connect(action, &QAction::triggered, action, [action, &setting] {
        setting = !setting.Get();
        // A checkable action turns its own mark over when triggered; the setting decides it.
        action->setChecked(setting.Get());
    });
}

void BindChoice(QAction* action, TSetting<TListType>& setting, TListType value) {
    Follow<TListType, TIniIo<TListType>>(action, setting,
                                         [value](const TListType& current) { return current == value; });
}
