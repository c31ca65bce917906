#include "tests/support/Recorder.h"

#include <utility>

#include "common/Error.h"

namespace vexo::test {

void Recorder::FailOn(const std::string& key, int32_t status, int occurrence) {
    fails_.push_back({key, status, true, occurrence, 0});
}
void Recorder::ReturnOn(const std::string& key, int32_t status, int occurrence) {
    fails_.push_back({key, status, false, occurrence, 0});
}
void Recorder::FailWhen(std::function<int32_t(const std::string&)> rule) { rules_.push_back(std::move(rule)); }
void Recorder::ClearFailures() {
    fails_.clear();
    rules_.clear();
}

int32_t Recorder::Hit(const std::string& obj, const std::string& method, const std::string& args, bool* raise) {
    const std::string qualified = obj.empty() ? method : obj + "." + method;
    log.push_back(qualified + "(" + args + ")");
    if (raise) *raise = true;
    for (Fail& f : fails_) {
        if (f.key != method && f.key != qualified) continue;
        ++f.seen;
        if (f.occurrence == 0 || f.seen == f.occurrence) {
            if (raise) *raise = f.raise;
            return f.status;
        }
    }
    for (auto& rule : rules_)
        if (int32_t s = rule(log.back())) return s;
    if (raise) *raise = false;
    return 0;
}

void Recorder::Call(const std::string& obj, const std::string& method, const std::string& args) {
    // A failure meant to be returned still fails an operation that can only raise.
    if (int32_t s = Hit(obj, method, args, nullptr)) Raise(s);
}

int32_t Recorder::Status(const std::string& obj, const std::string& method, const std::string& args) {
    bool raise = false;
    const int32_t s = Hit(obj, method, args, &raise);
    if (raise) Raise(s);
    return s;
}

std::string Recorder::NewName(const std::string& prefix, const std::string& series, int first) {
    const std::string& s = series.empty() ? prefix : series;
    auto [it, fresh] = issued_.try_emplace(s, first - 1);
    (void)fresh;
    return prefix + std::to_string(++it->second);
}

int Recorder::Issued(const std::string& series) const {
    auto it = issued_.find(series);
    return it == issued_.end() ? 0 : it->second;
}

int Recorder::Alive(const std::string& kind) const {
    auto it = alive.find(kind);
    return it == alive.end() ? 0 : it->second;
}

int Recorder::AliveTotal() const {
    int n = 0;
    for (const auto& [kind, count] : alive) n += count;
    return n;
}

std::vector<std::string> Recorder::Matching(const std::string& prefix) const {
    return Filtered([&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
}

int Recorder::IndexOf(const std::string& prefix) const {
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> Recorder::Filtered(const std::function<bool(const std::string&)>& keep) const {
    std::vector<std::string> out;
    for (const auto& e : log)
        if (keep(e)) out.push_back(e);
    return out;
}

std::vector<std::string> Recorder::Take() { return std::exchange(log, {}); }

}  // namespace vexo::test
