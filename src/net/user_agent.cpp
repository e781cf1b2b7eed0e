#include "net/user_agent.h"

std::string ProgramUserAgent() {
    return std::string(kProductToken) + "/" TARRAWICK_VERSION " (+https://www.tarrawick.example/)";
}
