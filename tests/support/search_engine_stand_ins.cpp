#include "support/search_engine_stand_ins.h"

#include <cstdlib>

SearchEngineStandIns::SearchEngineStandIns() {
    ::setenv(kAltavistaHostVariable, ("127.0.0.1:" + std::to_string(altavista.Port())).c_str(), 1);
    ::setenv(kYahooHostVariable, ("127.0.0.1:" + std::to_string(yahoo.Port())).c_str(), 1);
}

SearchEngineStandIns::~SearchEngineStandIns() {
    ::unsetenv(kAltavistaHostVariable);
    ::unsetenv(kYahooHostVariable);
}

SearchHosts SearchEngineStandIns::Hosts() const {
    return ReadSearchHosts([](const char* name) { return std::getenv(name); }).hosts;
}

void SearchEngineStandIns::ServeAltavista(std::string_view queryText, TestHttpReply reply) {
    altavista.Route(
        "/cgi-bin/query?pg=q&kl=XX&stype=stext&q=" + std::string(queryText) + "&search.x=19&search.y=9",
        std::move(reply));
}

void SearchEngineStandIns::ServeYahoo(std::string_view queryText, TestHttpReply reply) {
    yahoo.Route("/bin/search?p=" + std::string(queryText), std::move(reply));
}

std::string ResultPage(const std::vector<std::string>& links) {
    std::string page = "<html><body>\r\n";
    for (const std::string& link : links) page += "<p><a href=\"" + link + "\">" + link + "</a>\r\n<br>\r\n";
    return page + "</body></html>\r\n";
}

std::vector<std::string> NumberedLinks(std::string_view site, int count) {
    std::vector<std::string> links;
    for (int i = 1; i <= count; ++i)
        links.push_back("http://" + std::string(site) + "/" + std::to_string(i) + ".zip");
    return links;
}
