// Opening the settings window in the running program.
#include "frmCarouselSettings.h"

#include "app/cTessaro.h"
#include "app/modGeneral.h"
#include "app/modMain.h"
#include "carousel/cfMain.h"
#include "carousel/cwCarousel.h"

#include <QPointer>

namespace {

// The carousel window's background: transparent around the carousel, or (for desktops without a
// compositor, where transparency shows as black) filled with the window colour.
void ShowMainWindowBackground(bool pShow) {
    if (cwCarousel* widget = MainWindow().CarouselWidget())
        widget->SetShowBackground(pShow);
}

CarouselSettingsLinks ControllerLinks() {
    CarouselSettingsLinks links;
    links.RenderScale = [] { return MainWindow().RenderScale(); };
    links.SetRenderScale = [](double pScale) { MainWindow().SetRenderScale(pScale); };
    links.ShowBackground = ShowMainWindowBackground;
    links.SoundEnabled = [] { return Controller().SoundEnabled(); };
    links.EnableSound = [](bool pEnabled) { Controller().EnableSound(pEnabled); };
    links.CaptionColoursChanged = [] {
        if (cwCarousel* widget = MainWindow().CarouselWidget())
            widget->CreateTitleBuffer();
    };
    return links;
}

} // namespace

frmCarouselSettings* ShowCarouselSettings() {
    static QPointer<frmCarouselSettings> window;
    if (!window) {
        window = new frmCarouselSettings(Carousel(), TokenManager(), Database(), ControllerLinks());
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    ShowAndActivate(window);
    return window;
}
