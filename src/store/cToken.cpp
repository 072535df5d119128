#include "cToken.h"

#include "cTokenManager.h"
#include "desktop/modShellExecute.h"
#include "platform/Imaging.h"

int cToken::ExecuteCommand() const {
    return ShellOpen(mCommand, mParameters);
}

QImage cToken::TokenImage(cTokenManager& pTokenManager, int pImageSize) const {
    try {
        return pTokenManager.CreateTokenImage(mSourceImage, mIconScale, mCaption, pImageSize);
    } catch (...) {
        // One bad picture must not stop a rebuild: show a blank square instead.
        return Imaging::NewSurface(pImageSize, pImageSize);
    }
}
