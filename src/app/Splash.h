#pragma once

#include <memory>

#include <QPointer>
#include <QSplashScreen>

class QWidget;

namespace Tarnwick {

// The splash window: the product title on a drawn picture of 250 by 150 pixels.
class SplashWnd : public QSplashScreen {
    Q_OBJECT
public:
    SplashWnd();
};

// Raises and takes down the splash window (on the user-interface thread: Qt draws widgets
// only there).
class SplashFactory {
public:
    SplashFactory() = default;
    SplashFactory(const SplashFactory&) = delete;
    SplashFactory& operator=(const SplashFactory&) = delete;
    ~SplashFactory();

    // Shows the splash and paints it at once; false when it could not be shown.
    bool ShowSplash();
    // Closes the splash and gives the focus to the window (or, when null, to the active
    // window of the application). False when no splash is up.
    bool HideSplash(QWidget* activate);
    bool IsShown() const;
    SplashWnd* GetWindow() const { return m_window.data(); }

    // The splash owner of the process: start-up raises the splash, opening the database
    // takes it down.
    static std::unique_ptr<SplashFactory>& Current();

private:
    QPointer<SplashWnd> m_window;
};

} // namespace Tarnwick
