#pragma once
// A flag raised for the length of a scope, for guards against re-entry
// ("a block is being delivered", "the dialog runs"): it falls again however
// the scope is left, an exception from a port or a consumer included.

namespace pxr {

class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~ScopedFlag() { m_flag = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& m_flag;
};

} // namespace pxr
