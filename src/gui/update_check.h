// Whether the maker's server knows a newer version: one plain HTTP/1.0 request for the
// update data file, on demand (Help menu) and on the schedule of Update Range at start.
#pragma once

#include <string>
#include <string_view>

class QWidget;

namespace velmora {

// How long the answer may stay silent before the check gives up.
inline constexpr int kUpdateWaitMilliseconds = 10000;

// The update data file's address and the product page, each overridable by its
// environment variable so that tests can point them elsewhere.
std::string UpdateDataAddress();
std::string UpdatePageAddress();

// The request sent for an address: GET, Host, Accept, User-Agent (the default browser
// agent when agent is empty) and Connection lines, CR LF each, an empty line at the end.
// Empty when the address names no host.
std::string UpdateRequestText(std::string_view url, std::string_view agent);

// The version text of an answer: its body (after the first empty line), trimmed of blanks,
// cut to three characters; "3210" gives "321".
std::string VersionTextOfAnswer(std::string_view answer);

// Connects to the address's host (port 80 unless it names one; no TLS whatever the
// scheme), sends the request and reads the whole answer, up to a bound, until the server
// closes or waitMilliseconds pass without data. The version text, or empty when nothing
// usable arrived.
std::string FetchUrlText(std::string_view url, std::string_view agent,
                         int waitMilliseconds = kUpdateWaitMilliseconds);

// The manual check: an error box when no version could be read, a question that opens
// the product page for a newer one, an information box otherwise.
void CheckForUpdate(QWidget* parent, int waitMilliseconds = kUpdateWaitMilliseconds);

// At start: when the interval of Update Range has passed since Update Date, asks whether to
// check and runs CheckForUpdate on Yes; Update Date becomes now whatever the answer.
void AutoUpdateCheck(QWidget* parent, int waitMilliseconds = kUpdateWaitMilliseconds);

} // namespace velmora
