#include "app/app_delegate.h"

#include <QCoreApplication>
#include <QPointer>

namespace brimlow {

namespace {

std::optional<double> currentPercent(const ProviderUsage& usage, Time now) {
    auto window = currentWindow(usage.quotas, now);
    return window ? std::optional(window->percent) : std::nullopt;
}

TrayFigures trayFigures(const MeterModel& model, Time now) {
    return {currentPercent(model.codex(), now), currentPercent(model.claude(), now), model.title(),
            model.paceWarnings()};
}

} // namespace

AppDelegate::AppDelegate(MeterServices services, const ShellFactories& factories)
    : m_clock(services.clock), m_model(std::make_unique<MeterModel>(std::move(services))) {
    // The tray, the panel and the model live as long as the delegate, but
    // their callbacks are plain functions: they check that it still exists.
    QPointer<AppDelegate> self(this);
    auto ifAlive = [self](void (AppDelegate::*step)()) {
        return [self, step] {
            if (self)
                (self->*step)();
        };
    };
    m_tray = factories.tray(TrayActions{
        .toggle =
            [self](const TrayClick& click) {
                if (self)
                    self->toggle(click);
            },
        .openPanel = ifAlive(&AppDelegate::reopen),
        .refresh =
            [self] {
                if (self)
                    self->m_model->refresh();
            },
        .quit = [] { QCoreApplication::quit(); },
        .trayAvailabilityChanged = ifAlive(&AppDelegate::trayAvailabilityChanged),
    });
    m_panel = factories.panel(*m_model);

    showFigures();
    connect(m_model.get(), &MeterModel::published, this, &AppDelegate::showFigures);
    m_model->notifier().onOpen = ifAlive(&AppDelegate::reopen);
    m_model->start();
    if (!m_tray->inTray())
        openPanel({});
}

AppDelegate::~AppDelegate() {
    // The members go before QObject clears the weak pointers to this
    // delegate: nothing they do on the way out may reach it.
    m_model->notifier().onOpen = nullptr;
}

void AppDelegate::toggle(const TrayClick& click) {
    if (!m_panel->isOpen() && !m_panel->justDismissed()) {
        openPanel(click);
        return;
    }
    m_panel->close();
    QString token =
        click.activationToken.isEmpty() ? m_tray->takeActivationToken() : click.activationToken;
    if (!token.isEmpty())
        m_panel->endActivation(token);
}

void AppDelegate::reopen() {
    openPanel({});
}

void AppDelegate::openPanel(const TrayClick& click) {
    // A menu entry of the host's carries no token of its own; the host gave
    // it to the tray item just before.
    QString token = click.activationToken;
    if (token.isEmpty())
        token = m_tray->takeActivationToken();
    m_panelStyle = m_tray->inTray() ? PanelStyle::Popup : PanelStyle::Window;
    if (m_panelStyle == PanelStyle::Window) {
        m_panel->open(PanelStyle::Window, QRect(), token);
        return;
    }
    // Hosts that report the click know better than a geometry the tray may
    // not have given; an open without a click (a menu entry, a second
    // start) goes where the last click was.
    QRect anchor = click.anchor;
    if (!anchor.isEmpty())
        m_lastAnchor = anchor;
    else
        anchor = m_tray->iconGeometry().isEmpty() ? m_lastAnchor : m_tray->iconGeometry();
    m_panel->open(PanelStyle::Popup, anchor, token);
}

void AppDelegate::trayAvailabilityChanged() {
    // The window stood in for the missing tray; with a tray it would only
    // be in the way, and the next open is a popup at the icon. A tray that
    // goes away leaves an open popup alone: it is usually back at once (a
    // panel restarting).
    if (m_tray->inTray() && m_panel->isOpen() && m_panelStyle == PanelStyle::Window)
        m_panel->close();
}

void AppDelegate::showFigures() {
    m_tray->show(trayFigures(*m_model, m_clock->now()));
}

} // namespace brimlow
