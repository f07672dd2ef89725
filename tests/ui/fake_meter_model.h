// A stand-in for the meter model with the same properties and methods as
// the panel sees them: the tests set its state directly and read back what
// the panel asked of it.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace brimlow {

class FakeMeterModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QVariantMap codex MEMBER codex NOTIFY codexChanged)
    Q_PROPERTY(QVariantMap claude MEMBER claude NOTIFY claudeChanged)
    Q_PROPERTY(QVariantMap codexTotals READ codexTotalsNow NOTIFY totalsChanged)
    Q_PROPERTY(QVariantMap claudeTotals READ claudeTotalsNow NOTIFY totalsChanged)
    Q_PROPERTY(bool refreshing MEMBER refreshing NOTIFY refreshingChanged)
    Q_PROPERTY(QDateTime updated MEMBER updated NOTIFY updatedChanged)
    Q_PROPERTY(int period MEMBER period NOTIFY totalsChanged)
    Q_PROPERTY(bool loginEnabled MEMBER loginEnabled NOTIFY loginEnabledChanged)
    Q_PROPERTY(QString loginError MEMBER loginError NOTIFY loginErrorChanged)
    Q_PROPERTY(bool claudeConnected MEMBER claudeConnected NOTIFY claudeConnectedChanged)
    Q_PROPERTY(bool notifyReset MEMBER notifyReset NOTIFY notifyResetChanged)
    Q_PROPERTY(QString notifyError MEMBER notifyError NOTIFY notifyErrorChanged)
    Q_PROPERTY(QString title MEMBER title NOTIFY titleChanged)

public:
    QVariantMap codex;
    QVariantMap claude;
    bool refreshing = false;
    QDateTime updated;
    int period = 0;
    bool loginEnabled = false;
    QString loginError;
    bool claudeConnected = false;
    bool notifyReset = true;
    QString notifyError;
    QString title;

    // Token sums per provider and period: {input, output, cache, total}.
    QVariantMap codexTotals[3];
    QVariantMap claudeTotals[3];

    // How the fake answers.
    bool refuseLogin = false;
    QString connectFailure; // empty: connecting succeeds

    // What the panel asked for.
    int refreshCalls = 0;
    int testNotifyCalls = 0;
    int connectCalls = 0;
    QList<bool> loginRequests;
    QList<bool> notifyRequests;

    Q_INVOKABLE void refresh() { ++refreshCalls; }
    Q_INVOKABLE void setNotify(bool on) {
        notifyRequests.append(on);
        setProperty("notifyReset", on);
    }
    // Like the real model, a refusal announces the unchanged value again.
    Q_INVOKABLE void setLogin(bool on) {
        loginRequests.append(on);
        if (refuseLogin) {
            emit loginEnabledChanged();
            setProperty("loginError", QStringLiteral("로그인 실행 설정 실패"));
            return;
        }
        setProperty("loginEnabled", on);
    }
    Q_INVOKABLE void testNotify() { ++testNotifyCalls; }
    Q_INVOKABLE void connectClaude() {
        ++connectCalls;
        if (!connectFailure.isEmpty()) {
            setProperty("loginError", connectFailure);
            return;
        }
        setProperty("claudeConnected", true);
        refresh();
    }
    QVariantMap codexTotalsNow() const {
        return codexTotals[period >= 0 && period < 3 ? period : 0];
    }
    QVariantMap claudeTotalsNow() const {
        return claudeTotals[period >= 0 && period < 3 ? period : 0];
    }

signals:
    void codexChanged();
    void claudeChanged();
    void refreshingChanged();
    void updatedChanged();
    void totalsChanged();
    void loginEnabledChanged();
    void loginErrorChanged();
    void claudeConnectedChanged();
    void notifyResetChanged();
    void notifyErrorChanged();
    void titleChanged();
};

} // namespace brimlow
