#pragma once

#include "net/proxy_options.h"

class QSettings;

// The proxy as kept with QSettings, under the group "Proxy":
//   Proxy/Mode     "environment", "none" or "manual"
//   Proxy/Scheme   "http", "https", "socks5" or "socks5h"
//   Proxy/Host     host name or address
//   Proxy/Port     1 to 65535
//   Proxy/User     user name, empty: no login
//   Proxy/Bypass   hosts reached without the proxy, separated by commas
// The password is never written (a Proxy/Password found is removed) and
// never read: it is held for the run only. A value that is missing or
// unusable (over-long, a host that is no host) gives its default, and a
// manual proxy that still cannot be used gives the environment's.
// Called on the user-interface thread.
ProxyOptions LoadProxyOptions(QSettings& settings);
void SaveProxyOptions(QSettings& settings, const ProxyOptions& proxy);
