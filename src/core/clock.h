// The wall clock, behind an interface so that tests can fix the time of day.
#pragma once

#include <ctime>

namespace pixa {

class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time now.
    virtual std::tm localNow() const = 0;
};

class SystemClock final : public Clock {
public:
    std::tm localNow() const override {
        const std::time_t t = std::time(nullptr);
        std::tm out{};
        localtime_r(&t, &out);
        return out;
    }
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(std::tm value) : m_value(value) {}
    // A clock at the given time of an arbitrary fixed day (8 December 2026).
    FixedClock(int hour, int minute, int second) {
        m_value.tm_year = 126;
        m_value.tm_mon = 11;
        m_value.tm_mday = 8;
        m_value.tm_hour = hour;
        m_value.tm_min = minute;
        m_value.tm_sec = second;
    }
    std::tm localNow() const override { return m_value; }

private:
    std::tm m_value{};
};

} // namespace pixa
