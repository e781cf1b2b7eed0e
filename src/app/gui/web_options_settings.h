#pragma once

#include "workers/web_options.h"

class QSettings;

// The web options as kept with QSettings, under the group "web":
//   web/followHttpsAndRedirects            true or false
//   web/readLinksAsBrowser                 true or false
//   web/stayBelowStartFolder               true or false
//   web/altavista/queryTemplate            address with {words}
//   web/altavista/ownLinkMarker            text
//   web/altavista/answer                   "html" or "json"
//   web/yahoo/...                          the same for Yahoo
// A value that is missing or unusable (a template that cannot work, an
// unknown answer kind, an over-long marker) gives its default; nothing is
// written back. Called on the user-interface thread.
WebOptions LoadWebOptions(QSettings& settings);
void SaveWebOptions(QSettings& settings, const WebOptions& options);
