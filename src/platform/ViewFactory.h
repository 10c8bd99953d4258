#pragma once
// Views by ProgID, in place of the system's registry of hosted controls:
// a ProgID with a registered creator can be created, every other cannot.
// The created widget offers the view contract (IRefreshData).
#include <QString>
#include <functional>

class QWidget;

class ViewFactory {
public:
    using Creator = std::function<QWidget*(QWidget* parent)>;

    // The registry is program-wide, like the class registry it stands in for.
    static void Register(const QString& progId, Creator creator);
    static void Unregister(const QString& progId);
    static bool CanCreate(const QString& progId);
    // nullptr when the ProgID is "" or unknown, or the creator gives nothing.
    static QWidget* Create(const QString& progId, QWidget* parent);
};
