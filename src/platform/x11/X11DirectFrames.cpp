#include "X11DirectFrames.h"

#include <QGuiApplication>
#include <QWindow>
#include <cstdlib>
#include <cstring>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* QtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// 24 and 32-bit windows both take pixels of 32 bits in the byte order of premultiplied ARGB32 on
// this machine; a 24-bit window ignores the alpha.
std::uint8_t WindowDepth(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const std::uint8_t depth = geometry ? geometry->depth : 0;
    std::free(geometry);
    return depth;
}

} // namespace

std::unique_ptr<DirectFrames> X11DirectFrames::For(QWindow* pWindow) {
    xcb_connection_t* connection = QtConnection();
    if (!connection || !pWindow)
        return nullptr;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    if (!shm || !shm->present)
        return nullptr;
    const auto window = xcb_window_t(pWindow->winId());
    const std::uint8_t depth = WindowDepth(connection, window);
    if (depth != 24 && depth != 32)
        return nullptr;
    return std::unique_ptr<DirectFrames>(new X11DirectFrames(connection, window, depth));
}

X11DirectFrames::X11DirectFrames(xcb_connection_t* pConnection, std::uint32_t pWindow, std::uint8_t pDepth)
    : mConnection(pConnection), mWindow(pWindow), mDepth(pDepth) {
    mGc = xcb_generate_id(mConnection);
    xcb_create_gc(mConnection, mGc, mWindow, 0, nullptr);
}

X11DirectFrames::~X11DirectFrames() {
    // Without the toolkit's connection (the application is gone) only the local mapping is undone.
    const bool connected = QtConnection() == mConnection;
    for (Segment& segment : mSegments) {
        if (connected)
            Release(segment);
        else if (segment.address)
            shmdt(segment.address);
    }
    if (connected) {
        xcb_free_gc(mConnection, mGc);
        xcb_flush(mConnection);
    }
}

bool X11DirectFrames::Present(const QImage& frame, const QRect& source, const QPoint& at) {
    const QRect area = source.intersected(frame.rect());
    if (mBroken || area.isEmpty() || frame.depth() != 32 || area.width() > 0xffff || area.height() > 0xffff)
        return false;
    Segment& segment = mSegments[mNext];
    const qsizetype rowBytes = qsizetype(area.width()) * 4;
    if (!Reserve(segment, rowBytes * area.height())) {
        mBroken = true;
        return false;
    }
    mNext ^= 1;
    WaitUntilRead(segment);
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(segment.address + y * rowBytes, frame.constScanLine(area.top() + y) + area.left() * 4,
                    size_t(rowBytes));
    const auto width = std::uint16_t(area.width()), height = std::uint16_t(area.height());
    xcb_shm_put_image(mConnection, mWindow, mGc, width, height, 0, 0, width, height, std::int16_t(at.x()),
                      std::int16_t(at.y()), mDepth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment.id, 0);
    // Requests are handled in order: this one's reply means the put has been read.
    segment.sequence = xcb_get_input_focus(mConnection).sequence;
    segment.readPending = true;
    xcb_flush(mConnection);
    return true;
}

// Waits for the reply that follows the segment's last put; two frames later it has normally arrived.
void X11DirectFrames::WaitUntilRead(Segment& pSegment) {
    if (!pSegment.readPending)
        return;
    pSegment.readPending = false;
    std::free(
        xcb_get_input_focus_reply(mConnection, xcb_get_input_focus_cookie_t{pSegment.sequence}, nullptr));
}

bool X11DirectFrames::Reserve(Segment& pSegment, qsizetype pBytes) {
    if (pSegment.address && pSegment.size >= pBytes)
        return true;
    Release(pSegment);
    pSegment.shmId = shmget(IPC_PRIVATE, size_t(pBytes), IPC_CREAT | 0600);
    if (pSegment.shmId < 0)
        return false;
    void* address = shmat(pSegment.shmId, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(pSegment.shmId, IPC_RMID, nullptr);
        pSegment.shmId = -1;
        return false;
    }
    pSegment.address = static_cast<unsigned char*>(address);
    pSegment.size = pBytes;
    pSegment.id = xcb_generate_id(mConnection);
    xcb_generic_error_t* error =
        xcb_request_check(mConnection, xcb_shm_attach_checked(mConnection, pSegment.id, pSegment.shmId, 0));
    // Marked for removal now: it goes once both sides have let go of it, even if the program dies.
    shmctl(pSegment.shmId, IPC_RMID, nullptr);
    if (error) { // a server on another machine cannot share memory with this one
        std::free(error);
        pSegment.id = 0;
        Release(pSegment);
        return false;
    }
    return true;
}

void X11DirectFrames::Release(Segment& pSegment) {
    WaitUntilRead(pSegment);
    if (pSegment.id)
        xcb_shm_detach(mConnection, pSegment.id);
    if (pSegment.address)
        shmdt(pSegment.address);
    pSegment = Segment{};
}
