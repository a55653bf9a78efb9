#pragma once
#include <QMainWindow>
#include <QRect>
#include <memory>

class CConsoleMenu;
class CMainViewLink;
class CTarnApp;
class QAction;
class QMenu;

// Commands of menu 128 and its accelerators.
inline constexpr int ID_FILE_UPDATE = 57610;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_HELP_MANUAL = 32775;
inline constexpr int ID_APP_ABOUT = 57664;

// The main window: placed from the preference store when it is created, its placement stored back when
// it closes (where a Wayland compositor places it, only its size: the stored position stays); menu 128 with the item states set each time a menu opens, and the accelerators. A command,
// from its menu item or its accelerator, runs only when its item is enabled at that moment. The main
// view fills the client area.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int kMinWidth = 500;
    static constexpr int kMinHeight = 285;

    explicit CMainFrame(CTarnApp& app);
    ~CMainFrame() override;

    // Takes the view; its window becomes the central widget.
    void SetView(std::unique_ptr<CMainViewLink> pView);
    [[nodiscard]] CMainViewLink* View() const { return m_pView.get(); }

    // The first showing: maximised when the window was closed maximised, else as placed.
    void ShowFirst();
    // Centres the window on its monitor's work area.
    void CenterWindow();
    void ShowAbout();

    [[nodiscard]] QAction* Action(int nCommand) const;
    // Whether the item of a command of menu 128 is enabled now; the menu shows these states and a
    // command, from its item or its accelerator, runs only when this is true.
    [[nodiscard]] bool IsCommandEnabled(int nCommand) const;
    // The item states of menu 128, as set when a menu opens.
    void UpdateMenuStates();
    // The File menu's Console submenu and the title, after the transport was opened: with several
    // consoles on the network (or the chosen one missing) the title names the console Update writes to,
    // "Sonvale Data Manager - <client>"; otherwise it is "Sonvale Data Manager".
    void ShowConsoles();
    [[nodiscard]] CConsoleMenu* ConsoleMenu() const { return m_pConsoleMenu; }

    // Moves rect, keeping its size, onto the monitor rectangle: right edge, then left, then bottom, then
    // top. A rectangle larger than the monitor ends at the monitor's left and top edges.
    [[nodiscard]] static QRect FitOntoMonitor(QRect rect, const QRect& monitor);
    // The full rectangle of the monitor that shares most area with rect, or the nearest one.
    [[nodiscard]] static QRect NearestMonitorRect(const QRect& rect);

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void CreateMenus();
    void CreateAccelerators();
    QAction* AddCommand(QMenu* pMenu, int nCommand, const char* pszLabel);
    void OnCommand(int nCommand);

    CTarnApp& m_app;
    std::unique_ptr<CMainViewLink> m_pView;
    bool m_bShowMaximized = false;
    CConsoleMenu* m_pConsoleMenu = nullptr; // owned by the File menu
};
