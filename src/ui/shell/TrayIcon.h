#pragma once

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace tamberlink {

// The tray icon ("双击弹出") and its menu: screen word capture, "显示", "退出". Where the
// desktop has no tray, nothing is shown and the program works without it.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    bool IsShown() const;
    void Remove();
    // Renames the first menu item: "取词: 开 (Ctrl + F10)" when `screenOff` is 1, else "关".
    void SetScreenOff(int screenOff);

    // The tooltip tells how many missed calls wait to be called back.
    void SetWaiting(int count);

    QMenu* Menu() const { return menu_; }
    // A message from the tray icon, where there is one.
    void ShowMessage(const QString& title, const QString& text);

signals:
    void ScreenOffToggleRequested();
    void ShowRequested();
    void ExitRequested();

private:
    QMenu* menu_ = nullptr;
    QAction* screenOff_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
};

} // namespace tamberlink
