#pragma once

#include "platform/DirectFrames.h"

#include <array>
#include <cstdint>

struct xcb_connection_t;

// Frames put on an X window with the MIT-SHM extension, from two shared segments used in turn. After
// each put a cheap request follows; its reply, long arrived when the segment comes round again two
// frames later, tells that the server has read the segment, so no frame waits for the server.
class X11DirectFrames : public DirectFrames {
public:
    // Null when the display has no MIT-SHM or the window's depth is not 24 or 32 bits.
    static std::unique_ptr<DirectFrames> For(QWindow* pWindow);
    ~X11DirectFrames() override;
    bool Present(const QImage& frame, const QRect& source, const QPoint& at) override;

private:
    struct Segment {
        std::uint32_t id = 0; // the server's name for it; 0 while there is none
        int shmId = -1;
        unsigned char* address = nullptr;
        qsizetype size = 0;
        bool readPending = false;  // a put from it may not have been read yet
        unsigned int sequence = 0; // of the request whose reply says it has
    };
    X11DirectFrames(xcb_connection_t* pConnection, std::uint32_t pWindow, std::uint8_t pDepth);
    bool Reserve(Segment& pSegment, qsizetype pBytes);
    void WaitUntilRead(Segment& pSegment);
    void Release(Segment& pSegment);

    xcb_connection_t* mConnection;
    std::uint32_t mWindow;
    std::uint8_t mDepth;
    std::uint32_t mGc = 0;
    std::array<Segment, 2> mSegments;
    int mNext = 0;
    bool mBroken = false;
};
