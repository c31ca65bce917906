// One log of the calls a component makes on the test platform, in order, as
// "Object.Method(arguments)" ("Method(arguments)" for an object without a
// name), "~Object" for a final release; any logged call can be made to fail.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vexo::test {

class Recorder {
public:
    std::vector<std::string> log;

    // `key` is "Method" (any object) or "Object.Method"; occurrence 0 fails
    // every matching call, n only the n-th. The call raises `status`.
    void FailOn(const std::string& key, int32_t status, int occurrence = 0);
    // For the operations that report by status (the blit family): they
    // return `status` instead of raising.
    void ReturnOn(const std::string& key, int32_t status, int occurrence = 0);
    // `rule` sees each entry as logged and returns the status it raises, 0
    // to let it pass.
    void FailWhen(std::function<int32_t(const std::string& entry)> rule);
    void ClearFailures();

    // Logs the call; returns the injected status (0 when none) and, through
    // `raise`, whether it should raise rather than be returned.
    int32_t Hit(const std::string& obj, const std::string& method, const std::string& args, bool* raise);
    // For operations that only raise.
    void Call(const std::string& obj, const std::string& method, const std::string& args = "");
    // For operations that report by status: raising failures throw, the
    // others come back as the result.
    int32_t Status(const std::string& obj, const std::string& method, const std::string& args = "");
    // An entry no failure applies to (releases, notes).
    void Note(const std::string& entry) { log.push_back(entry); }

    // A fresh name in `series`: "b0", "b1" ... with first = 0, or a count
    // shared by several kinds of object when `series` names the count.
    std::string NewName(const std::string& prefix, const std::string& series = "", int first = 1);
    int Issued(const std::string& series) const;
    // Starts `series` again from its first name.
    void ResetNames(const std::string& series) { issued_.erase(series); }

    // Objects alive, by kind; the recording objects keep these up to date.
    std::map<std::string, int> alive;
    int Alive(const std::string& kind) const;
    int AliveTotal() const;

    // Entries starting with `prefix`, in order.
    std::vector<std::string> Matching(const std::string& prefix) const;
    // Position of the first entry starting with `prefix`, or -1.
    int IndexOf(const std::string& prefix) const;
    std::vector<std::string> Filtered(const std::function<bool(const std::string&)>& keep) const;
    // The entries since the last Take, and forget them.
    std::vector<std::string> Take();
    void Clear() { log.clear(); }

private:
    struct Fail {
        std::string key;
        int32_t status;
        bool raise;
        int occurrence;
        int seen;
    };
    std::vector<Fail> fails_;
    std::vector<std::function<int32_t(const std::string&)>> rules_;
    std::map<std::string, int> issued_;
};

// Counts one object of `kind` alive for as long as it lives.
class Counted {
public:
    Counted(Recorder& r, std::string kind) : rec_(r), kind_(std::move(kind)) { ++rec_.alive[kind_]; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    virtual ~Counted() { --rec_.alive[kind_]; }

protected:
    Recorder& rec_;

private:
    std::string kind_;
};

}  // namespace vexo::test
