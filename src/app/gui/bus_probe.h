#pragma once

#include <chrono>

#include <QByteArray>

// Whether a D-Bus server answers at the address (a bus address as in
// DBUS_SESSION_BUS_ADDRESS; its first "unix:path=" or "unix:abstract=" entry
// is tried): it is sent the opening of a client's greeting, and any answer
// within the bound counts. A hung bus takes connections and never answers;
// QtDBus would then wait for it for good, holding up its own thread and the
// program's exit, so a bus is looked at this way before QtDBus connects.
// Other kinds of address are not looked at and count as answering.
// Any thread.
bool BusAnswers(const QByteArray& address, std::chrono::milliseconds bound);
