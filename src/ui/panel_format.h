// The panel's words and the formatting its QML calls, as one object per QML
// engine.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace brimlow {

class PanelFormat final : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Format)
    QML_SINGLETON
    // The panel's fixed words by name; "%1" marks where a figure goes.
    Q_PROPERTY(QVariantMap words READ words CONSTANT)

public:
    using QObject::QObject;

    QVariantMap words() const;
    // Token counts in a few characters ("999", "1.2K", "3.4M").
    Q_INVOKABLE QString compact(qint64 n) const;
    Q_INVOKABLE QString percentUsed(double percent) const;
    // The countdown from `now` to `target`, both taken from the panel's clock.
    Q_INVOKABLE QString countdown(const QDateTime& target, const QDateTime& now) const;
    Q_INVOKABLE QString time(const QDateTime& time) const;
    Q_INVOKABLE QString dateTime(const QDateTime& time) const;
    // The time of day, with the date before it when that is not `now`'s.
    Q_INVOKABLE QString moment(const QDateTime& time, const QDateTime& now) const;
};

} // namespace brimlow
