// Read, write and connect time-outs, and the delegate's chance to extend them.
#include "transfer/socket/AsyncTcpSocketInternal.h"

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;
using namespace socket_detail;

void AsyncTcpSocket::setupReadTimer(double timeout) {
    armTimer(m_readTimer, timeout, &AsyncTcpSocket::doReadTimeout);
}

void AsyncTcpSocket::doReadTimeout() {
    assertOnSocketQueue();
    if (!m_currentRead)
        return;
    m_flags |= kReadsPaused;
    askForTimeoutExtension(m_currentRead->tag, m_currentRead->timeout, m_currentRead->bytesDone,
                           &AsyncTcpSocketDelegate::socketShouldTimeoutReadWithTag,
                           &AsyncTcpSocket::doReadTimeoutWithExtension);
}

void AsyncTcpSocket::doReadTimeoutWithExtension(double extension) {
    assertOnSocketQueue();
    if (!m_currentRead)
        return;
    if (extension > 0) {
        m_currentRead->timeout += extension;
        if (m_readTimer)
            m_readTimer->setTimer(toNanos(extension), std::chrono::nanoseconds(0));
        m_flags &= ~kReadsPaused;
        doReadData();
    } else {
        closeWithError(SocketError::readTimeoutError());
    }
}

// Read and write timers share one life: made on first use, kept armed for
// the next packet, firing into the socket queue while the socket lives.
void AsyncTcpSocket::armTimer(std::shared_ptr<DispatchSource>& timer, double timeout,
                              void (AsyncTcpSocket::*onTimeout)()) {
    assertOnSocketQueue();
    if (timeout < 0)
        return;
    if (!timer) {
        timer = DispatchSource::makeTimer(m_socketQueue);
        auto weak = weak_from_this();
        timer->setEventHandler([weak, onTimeout] {
            if (auto self = weak.lock())
                (self.get()->*onTimeout)();
        });
        timer->resume();
    }
    timer->setTimer(toNanos(timeout), std::chrono::nanoseconds(0));
}

// The delegate may grant more time on its own queue; its answer (0 without a
// delegate) comes back to the socket queue.
void AsyncTcpSocket::askForTimeoutExtension(long tag, double elapsed, size_t bytesDone, ShouldTimeoutQuery query,
                                            void (AsyncTcpSocket::*withExtension)(double)) {
    auto d = m_delegate.lock();
    if (m_delegateQueue && d) {
        auto self = shared_from_this();
        auto delegate = m_delegate;
        m_delegateQueue->async([self, delegate, tag, elapsed, bytesDone, query, withExtension] {
            double extension = 0;
            if (auto dd = delegate.lock())
                extension = (dd.get()->*query)(self, tag, elapsed, bytesDone);
            self->m_socketQueue->async([self, extension, withExtension] { (self.get()->*withExtension)(extension); });
        });
    } else {
        (this->*withExtension)(0);
    }
}

void AsyncTcpSocket::setupWriteTimer(double timeout) {
    armTimer(m_writeTimer, timeout, &AsyncTcpSocket::doWriteTimeout);
}

void AsyncTcpSocket::doWriteTimeout() {
    assertOnSocketQueue();
    if (!m_currentWrite)
        return;
    m_flags |= kWritesPaused;
    askForTimeoutExtension(m_currentWrite->tag, m_currentWrite->timeout, m_currentWrite->bytesDone,
                           &AsyncTcpSocketDelegate::socketShouldTimeoutWriteWithTag,
                           &AsyncTcpSocket::doWriteTimeoutWithExtension);
}

void AsyncTcpSocket::doWriteTimeoutWithExtension(double extension) {
    assertOnSocketQueue();
    if (!m_currentWrite)
        return;
    if (extension > 0) {
        m_currentWrite->timeout += extension;
        if (m_writeTimer)
            m_writeTimer->setTimer(toNanos(extension), std::chrono::nanoseconds(0));
        m_flags &= ~kWritesPaused;
        doWriteData();
    } else {
        closeWithError(SocketError::writeTimeoutError());
    }
}

} // namespace pw
