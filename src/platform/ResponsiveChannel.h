#pragma once
// A channel for a long job on the UI thread, such as reading a station over a slow
// link: between its requests the windows repaint and timers run, while the user's
// input is dropped (UserInputBlock), and Escape ends the job: from then on every
// request gives ChCancelled at once, without reaching the link. The request under way
// when Escape comes ends as it would have, within its time-out.
#include "PassThroughChannel.h"

#include <QElapsedTimer>

class AppContext;

class ResponsiveChannel : public PassThroughChannel {
public:
    // inner may be null: every request then fails with ChNotOpen.
    explicit ResponsiveChannel(IDeviceChannel* inner);

    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override;
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override;
    QString PortName() const override { return m_inner ? m_inner->PortName() : QString(); }
    int32_t ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply) override;

private:
    // Escape was pressed since the job began (also in another wait of the job).
    bool cancelled() const;
    // Before each request: window events when they are due; false once the job is cancelled.
    bool proceed();

    AppContext* m_app;
    int m_escapesBefore = 0;
    QElapsedTimer m_sinceEvents;
};
