#pragma once
// One persisted option as one object: its value, its section and key in "options.ini", its
// default and whoever wants to know when it changes (a menu's check mark, a view).

#include "Dates.h"
#include "Ini.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// How a value of a type is read from and written to the INI file.
template <typename T> struct TIniIo;
template <> struct TIniIo<bool> {
    static bool Read(const TIniFile& ini, const char* s, const char* k, bool d) {
        return ini.ReadBool(s, k, d);
    }
    static void Write(TIniFile& ini, const char* s, const char* k, bool v) { ini.WriteBool(s, k, v); }
};
template <> struct TIniIo<int> {
    static int Read(const TIniFile& ini, const char* s, const char* k, int d) {
        return ini.ReadInteger(s, k, d);
    }
    static void Write(TIniFile& ini, const char* s, const char* k, int v) { ini.WriteInteger(s, k, v); }
};
template <> struct TIniIo<float> {
    static float Read(const TIniFile& ini, const char* s, const char* k, float d) {
        return ini.ReadFloat(s, k, d);
    }
    static void Write(TIniFile& ini, const char* s, const char* k, float v) { ini.WriteFloat(s, k, v); }
};
template <> struct TIniIo<std::string> {
    static std::string Read(const TIniFile& ini, const char* s, const char* k, const std::string& d) {
        return ini.ReadString(s, k, d);
    }
    static void Write(TIniFile& ini, const char* s, const char* k, const std::string& v) {
        ini.WriteString(s, k, v);
    }
};
// A byte count: a whole number of any size the file holds, or the default.
template <> struct TIniIo<std::int64_t> {
    static std::int64_t Read(const TIniFile& ini, const char* s, const char* k, std::int64_t d) {
        const std::string text = ini.ReadString(s, k, "");
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc() && end == text.data() + text.size() && !text.empty() ? value : d;
    }
    static void Write(TIniFile& ini, const char* s, const char* k, std::int64_t v) {
        ini.WriteString(s, k, std::to_string(v));
    }
};
// A day count is an int, but it is stored in the locale's short date form.
struct TIniDateIo {
    static TDate Read(const TIniFile& ini, const char* s, const char* k, TDate d) {
        return ini.ReadDate(s, k, d);
    }
    static void Write(TIniFile& ini, const char* s, const char* k, TDate v) { ini.WriteDate(s, k, v); }
};

// What the options file and the options object do with every setting alike.
class TSettingBase {
public:
    TSettingBase(const char* section, const char* key) : FSection(section), FKey(key) {}
    virtual ~TSettingBase() = default;
    const char* Section() const { return FSection; }
    const char* Key() const { return FKey; }
    virtual void Read(const TIniFile& ini) = 0;
    virtual void Write(TIniFile& ini) const = 0;

private:
    const char* FSection;
    const char* FKey;
};

template <typename T, typename TIo = TIniIo<T>> class TSetting : public TSettingBase {
public:
    using TListener = std::function<void(const T&)>;
    // Turns a value read from the file into one the program accepts (an empty server address
    // into the default one, say); the default passes every value.
    using TFix = T (*)(const T& read, const T& defaultValue);

    TSetting(const char* section, const char* key, T defaultValue, TFix fix = nullptr)
        : TSettingBase(section, key), FDefault(defaultValue), FValue(std::move(defaultValue)), FFix(fix) {}

    const T& Get() const { return FValue; }
    operator const T&() const { return FValue; }
    const T* operator->() const { return &FValue; }
    const T& Default() const { return FDefault; }

    // A new value is announced to every listener, in the order they came; the same value is not.
    void Set(const T& value) {
        if (FValue == value)
            return;
        FValue = value;
        // A listener may add or drop listeners: the announcement goes to those of the moment.
        const std::vector<std::pair<int, TListener>> listeners = FListeners;
        for (const auto& [id, listener] : listeners)
            listener(FValue);
    }
    TSetting& operator=(const T& value) {
        Set(value);
        return *this;
    }
    friend bool operator==(const TSetting& setting, const T& value) { return setting.FValue == value; }

    // Returns a number for Unsubscribe; the listener is told of every later change.
    int Subscribe(TListener listener) {
        FListeners.emplace_back(++FLastId, std::move(listener));
        return FLastId;
    }
    void Unsubscribe(int id) {
        std::erase_if(FListeners, [id](const auto& entry) { return entry.first == id; });
    }

    void Read(const TIniFile& ini) override {
        const T read = TIo::Read(ini, Section(), Key(), FDefault);
        Set(FFix ? FFix(read, FDefault) : read);
    }
    void Write(TIniFile& ini) const override { TIo::Write(ini, Section(), Key(), FValue); }

private:
    T FDefault;
    T FValue;
    TFix FFix;
    std::vector<std::pair<int, TListener>> FListeners;
    int FLastId = 0;
};
