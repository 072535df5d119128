#pragma once

#include <QObject>

class cCarousel;
class cTokenManager;
class IdleGate;

// Keeps the carousel showing the token manager's level on show: the current images, the orbit and
// placeholder pictures, and a new build (or a turn to a new token) whenever an edit touches the level.
// The one place where changes of the tokens become carousel builds.
class CarouselFeed : public QObject {
    Q_OBJECT
public:
    // pGate (optional) is held busy while the carousel builds or turns.
    CarouselFeed(cTokenManager& pTokens, cCarousel& pCarousel, IdleGate* pGate = nullptr,
                 QObject* parent = nullptr);

private:
    void ShowChangedLevel(const QString& pFrontKey, bool pTurn);

    cCarousel& mCarousel;
    IdleGate* mGate;
};
