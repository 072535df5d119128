#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// The notification-area icon. Activations arrive as the mouse-message numbers of the classic tray
// protocol (0x0202 left up, 0x0203 left double-click, 0x0205 right up) and become the events
// LeftClick, DoubleClick and RightClick. On a StatusNotifierItem tray, which reports a click only as
// activation, the activation arrives as the double click.
class cSysTray : public QObject {
    Q_OBJECT
public:
    static constexpr int LeftButtonUp = 0x0202;
    static constexpr int LeftDoubleClick = 0x0203;
    static constexpr int RightButtonUp = 0x0205;

    explicit cSysTray(QObject* parent = nullptr);
    ~cSysTray() override;

    // Creates the icon from "APP_ICON" at the style's small-icon size with the tooltip.
    void Init(QWidget* pForm, const QString& pTooltip);
    void MouseMove(int pButton, int pMessage);
    void SetIcon(const QImage& pIcon);
    // The tooltip holds at most 128 bytes of text (the old fixed-size field, cut without its NUL).
    void SetTooltipText(const QString& pText);
    QString TooltipText() const { return mTooltipText; }
    // The menu the desktop shows for the icon's context click.
    void SetContextMenu(QMenu* pMenu);
    bool IsVisible() const;
    // Shows a balloon message from the icon (when the desktop's tray supports it).
    void ShowMessage(const QString& pTitle, const QString& pText);
    QSystemTrayIcon* Icon() const { return mIcon.get(); }

    // The small-icon size in device pixels.
    static int SmallIconSize();
    // "APP_ICON" made to fit pWidth x pHeight: used as it is when the widths match, otherwise drawn
    // into a surface of that size with the best filter.
    static QImage IconFromResource(const QString& pName, int pWidth, int pHeight);
    // The tooltip text as the 128-byte field holds it.
    static QString ClippedTooltip(const QString& pText);

signals:
    void LeftClick();
    void RightClick();
    void DoubleClick();

private:
    std::unique_ptr<QSystemTrayIcon> mIcon;
    QString mTooltipText;
};
