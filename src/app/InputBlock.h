// While a transfer is under way the window takes no input that could change or re-read the
// selection, yet stays readable: the panes keep their colours and only the keyboard and the
// mouse stop reaching them (the actions are disabled on their own).
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

class TInputBlock : public QObject {
    Q_OBJECT
public:
    // Guards `panes` and everything inside them.
    TInputBlock(const std::vector<QWidget*>& panes, QObject* parent);
    ~TInputBlock() override;

    void SetBlocked(bool blocked);
    bool Blocked() const { return FBlocked; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Guards(const QObject* object) const;

    std::vector<QPointer<QWidget>> FPanes;
    bool FBlocked = false;
};
