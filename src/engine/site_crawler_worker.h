#pragma once

#include <chrono>
#include <string>

#include "engine/http_file_worker.h"
#include "engine/url_parts.h"
#include "net/internet_session.h"
#include "workers/web_options.h"
#include "workers/worker_context.h"

// The worker that crawls one requested web-site project: from the project's
// start address it reads pages over HTTP line by line, keeps the links to
// pages and to files of the project's types, depth first, and saves the
// files below "Software/<project>" in folders that mirror the site. At the
// end the project moves to the downloaded sites ("Success") or stays
// requested ("Some errors occurred"). Runs on its own thread; steps that
// touch the lists or the windows run on the user-interface thread, and its
// texts are handed over coalesced, at most once per interval (CrawlView).
// With web.followHttpsAndRedirects it also fetches https addresses, counts
// http and https of one host and port as one site, and follows redirections.
void SiteCrawlerWorker(WorkerContext& context, const InternetSessionFactory& sessions, const WebOptions& web,
                       std::chrono::nanoseconds viewInterval = kProgressInterval);

// The request the crawler sends for an http or https address: GET of the object,
// redirections not followed, with the header block for a page or a file.
// Bytes a request line cannot hold (spaces, controls, bytes above 127 and
// "<>\^`{|}) are sent %-escaped.
HttpRequest CrawlRequest(const UrlParts& parts, bool page);
