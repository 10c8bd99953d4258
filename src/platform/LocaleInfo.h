#pragma once
// The UI language of the running program; every instance shares one state.
#include <cstdint>

class ILocaleInfo {
public:
    virtual ~ILocaleInfo() = default;
    // primary receives 7 (German) or 9 (English); returns 0.
    virtual int32_t GetLocale(int32_t& primary, int32_t& sub) = 0;
    virtual void SetLocale(int32_t primary, int32_t sub, int32_t& status) = 0;
};

class LocaleInfo : public ILocaleInfo {
public:
    int32_t GetLocale(int32_t& primary, int32_t& sub) override;
    void SetLocale(int32_t primary, int32_t sub, int32_t& status) override;
    // Back to the start state (German); for tests that build a fresh program.
    static void reset();
};

// Shortcut for the many forms that only ask "English?".
bool localeIsEnglish();
