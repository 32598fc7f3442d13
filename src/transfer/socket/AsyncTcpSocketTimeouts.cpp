// Read, write and connect time-outs, and the delegate's chance to extend them.
#include "transfer/socket/AsyncTcpSocketInternal.h"

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;
using namespace socket_detail;

void AsyncTcpSocket::doTimeout(bool reading) {
    if (reading)
        timeoutCurrent(m_currentRead, kReadsPaused, &AsyncTcpSocketDelegate::socketShouldTimeoutReadWithTag, true);
    else
        timeoutCurrent(m_currentWrite, kWritesPaused, &AsyncTcpSocketDelegate::socketShouldTimeoutWriteWithTag, false);
}

void AsyncTcpSocket::doTimeoutWithExtension(bool reading, double extension) {
    if (reading)
        extendCurrent(m_currentRead, m_readTimer, kReadsPaused, extension, &AsyncTcpSocket::doReadData,
                      &SocketError::readTimeoutError);
    else
        extendCurrent(m_currentWrite, m_writeTimer, kWritesPaused, extension, &AsyncTcpSocket::doWriteData,
                      &SocketError::writeTimeoutError);
}

// A read and a write whose time is up alike: pause, ask the delegate, and go
// on for the time it grants or close.
template <class Packet>
void AsyncTcpSocket::timeoutCurrent(const std::unique_ptr<Packet>& current, uint32_t pausedFlag,
                                    ShouldTimeoutQuery query, bool reading) {
    assertOnSocketQueue();
    if (!current)
        return;
    m_flags |= pausedFlag;
    askForTimeoutExtension(current->tag, current->timeout, current->bytesDone, query, reading);
}

template <class Packet>
void AsyncTcpSocket::extendCurrent(const std::unique_ptr<Packet>& current, const std::shared_ptr<DispatchSource>& timer,
                                   uint32_t pausedFlag, double extension, void (AsyncTcpSocket::*goOn)(),
                                   SocketError (*timeoutError)()) {
    assertOnSocketQueue();
    if (!current)
        return;
    if (extension <= 0) {
        closeWithError(timeoutError());
        return;
    }
    current->timeout += extension;
    if (timer)
        timer->setTimer(toNanos(extension), std::chrono::nanoseconds(0));
    m_flags &= ~pausedFlag;
    (this->*goOn)();
}

// Read and write timers share one life: made on first use, kept armed for
// the next packet, firing into the socket queue while the socket lives.
void AsyncTcpSocket::armTimer(std::shared_ptr<DispatchSource>& timer, double timeout, bool reading) {
    assertOnSocketQueue();
    if (timeout < 0)
        return;
    if (!timer) {
        timer = DispatchSource::makeTimer(m_socketQueue);
        auto weak = weak_from_this();
        timer->setEventHandler([weak, reading] {
            if (auto self = weak.lock())
                self->doTimeout(reading);
        });
        timer->resume();
    }
    timer->setTimer(toNanos(timeout), std::chrono::nanoseconds(0));
}

// The delegate may grant more time on its own queue; its answer (0 without a
// delegate) comes back to the socket queue.
void AsyncTcpSocket::askForTimeoutExtension(long tag, double elapsed, size_t bytesDone, ShouldTimeoutQuery query,
                                            bool reading) {
    auto d = m_delegate.lock();
    if (m_delegateQueue && d) {
        auto self = shared_from_this();
        auto delegate = m_delegate;
        m_delegateQueue->async([self, delegate, tag, elapsed, bytesDone, query, reading] {
            double extension = 0;
            if (auto dd = delegate.lock())
                extension = (dd.get()->*query)(self, tag, elapsed, bytesDone);
            self->m_socketQueue->async(
                [self, extension, reading] { self->doTimeoutWithExtension(reading, extension); });
        });
    } else {
        doTimeoutWithExtension(reading, 0);
    }
}

} // namespace pw
