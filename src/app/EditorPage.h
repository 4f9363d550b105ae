// The Editor page: the branch detail editor lives here.
#pragma once

#include <QWidget>

class TEditorPage : public QWidget {
    Q_OBJECT
public:
    explicit TEditorPage(QWidget* parent = nullptr) : QWidget(parent) {}
};
