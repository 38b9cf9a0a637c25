// CQuenMenu: the skinned popup menu (the slot menu of the main screen): paper panel with rounded
// corners, large captions, marigold highlight.
#pragma once

#include <QMenu>

class CQuenMenu : public QMenu {
    Q_OBJECT
public:
    explicit CQuenMenu(QWidget* parent = nullptr);
    explicit CQuenMenu(const QString& title, QWidget* parent = nullptr);

    /// Adds an item that carries a command id (returned by exec's action via commandId()).
    QAction* AppendMenu(const QString& text, int commandId);
    static int commandId(const QAction* action);

protected:
    void resizeEvent(QResizeEvent*) override;
};
