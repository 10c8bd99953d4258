#pragma once
// Faults armed against chosen requests: "KIND[:CODE]@TARGET", e.g.
// "lost@read:0/9/0/255" (the reply to the first read of the terminal list is
// lost) or "error:0x2001@write:3/1/5#2" (the second write to that register gets
// that code). Kinds and targets are listed in docs/vcoupler-stations.md.
#include "platform/ChannelProtocol.h"

#include <QString>
#include <vector>

enum class FaultKind { Silent, Lost, Garbled, Truncated, WrongSeq, Error, Reboot, Kill };

struct FaultTarget {
    enum class On { Request, Read, Write, Service };
    On on = On::Request;
    int pos = -1, table = -1, first = -1, count = -1; // -1: any
    int service = -1, argument = -1;                   // a service request and its first data byte; -1: any
    int nth = 1;        // the n-th matching request after arming
    bool every = false; // and every match after it
};

struct Fault {
    FaultKind kind = FaultKind::Lost;
    int code = 0;
    FaultTarget target;
    QString spec;
    int seen = 0;
    bool spent = false;
};

class FaultPlan {
public:
    // False with a reason when spec is not a fault.
    bool add(const QString& spec, QString& error);
    void clear();
    // The fault that hits this request, if any; every armed fault counts its matches.
    // payload: the request's, for service targets.
    const Fault* take(uint8_t kind, const proto::RegisterRequest* reg, const QByteArray& payload = {});

    // A silent fault that fired leaves the coupler silent until clear().
    bool silent() const { return m_silent; }
    void setSilent() { m_silent = true; }

private:
    std::vector<Fault> m_faults;
    bool m_silent = false;
};
