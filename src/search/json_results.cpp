#include "search/json_results.h"

#include <cstddef>
#include <cstdint>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

// Follows the nesting of the answer and keeps the strings found at
// results[i].url: depth 1 is the top-level object, 2 the results array, 3
// one result.
class ResultUrlCollector final : public nlohmann::json_sax<Json> {
public:
    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }

    bool string(string_t& value) override {
        if (depth_ == 3 && inResults_ && urlKey_) urls_.push_back(std::move(value));
        return Value();
    }

    bool start_object(std::size_t) override {
        if (depth_ == 0) topIsObject_ = true;
        return Open(false);
    }

    bool start_array(std::size_t) override {
        const bool results = depth_ == 1 && topIsObject_ && resultsKey_;
        Open(results);
        if (results) sawResults_ = true;
        return true;
    }

    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& name) override {
        if (depth_ == 1) resultsKey_ = name == "results";
        if (depth_ == 3) urlKey_ = name == "url";
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

    bool SawResults() const { return sawResults_; }
    std::vector<std::string> TakeUrls() { return std::move(urls_); }

private:
    // A value ends the key it belonged to.
    bool Value() {
        urlKey_ = false;
        return true;
    }

    bool Open(bool results) {
        urlKey_ = false;
        ++depth_;
        if (depth_ == 2) inResults_ = results;
        return true;
    }

    bool Close() {
        if (depth_ == 2) inResults_ = false;
        --depth_;
        resultsKey_ = false;
        return true;
    }

    std::int64_t depth_ = 0;
    bool topIsObject_ = false;
    bool resultsKey_ = false;  // the last key of the top-level object was "results"
    bool urlKey_ = false;      // the last key of a result was "url"
    bool inResults_ = false;
    bool sawResults_ = false;
    std::vector<std::string> urls_;
};

}  // namespace

std::optional<std::vector<std::string>> JsonResultUrls(std::string_view answer) {
    ResultUrlCollector collector;
    const bool wellFormed = Json::sax_parse(answer.begin(), answer.end(), &collector,
                                            nlohmann::detail::input_format_t::json, true);
    if (!wellFormed || !collector.SawResults()) return std::nullopt;
    return collector.TakeUrls();
}
