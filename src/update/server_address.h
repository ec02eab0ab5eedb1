// Where the update check may fetch from.  The update server's base address
// is a build setting (VEXALITH_UPDATE_URL) that the environment variable of
// the same name replaces; it must be an https address ending in "/".  Plain
// http is accepted for this machine's own addresses only (127.0.0.1, ::1,
// localhost), where the tests run their server.
#pragma once

#include <QString>
#include <QUrl>

namespace vexalith::update {

// The base address in force: $VEXALITH_UPDATE_URL when the variable is set,
// even to an empty text (which turns the check off), else the build's.
QString configured_base_address();

struct BaseAddress {
    QUrl url;         // empty when there is no usable address
    QString problem;  // why a given address is not used; empty when usable or none given
};

// Checks an address given as text; an empty text is no address at all.
BaseAddress check_base_address(const QString& text);

bool is_loopback_host(const QString& host);

// An address a download may start from: https, or http on a loopback host.
bool download_address_allowed(const QUrl& url);

// A redirect is followed only to an address of the same scheme, and for
// http only from a loopback host to a loopback host.
bool redirect_allowed(const QUrl& from, const QUrl& to);

}  // namespace vexalith::update
