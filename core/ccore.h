// SPDX-License-Identifier: MIT
#pragma once

// The core utility library. Strings cross this interface as bytes in the
// system code page (GBK) unless a function says otherwise. No Qt here: the
// desktop program installs its dialogs through CCoreDialogs.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ConfigStore;

// Dialog services, installed process-wide by the program that has windows
// (or by a test). Texts are GBK, like every other text of CCore.
class CCoreDialogs {
public:
    virtual ~CCoreDialogs() = default;
    virtual void msgboxInfo(void* owner, const std::string& text) = 0;
    // Returns 6 (Yes) or 7 (No).
    virtual int msgboxConfirm(void* owner, const std::string& text) = 0;
    // The chosen path, or the empty string when the user cancelled.
    virtual std::string fileTxtOpen() = 0;
    virtual std::string fileTxtSave(const std::string& proposedName) = 0;
    // The save choice of an export that offers several file types: the path
    // (empty on cancel) and, in `type`, the index of the chosen type (0 is
    // the first). Without types of its own it is the text-file choice.
    virtual std::string fileExportSave(const std::string& proposedName, int& type) {
        type = 0;
        return fileTxtSave(proposedName);
    }
    // The save choice of a PNG picture; without one of its own it is the
    // text-file choice.
    virtual std::string fileImageSave(const std::string& proposedName) {
        return fileTxtSave(proposedName);
    }
    virtual void openUrl(const std::string& address) = 0;
    // A question with its own buttons (GBK texts, the last one cancels):
    // the index of the button chosen. Without buttons of its own it asks
    // yes or no: yes is the first button, no the last.
    virtual int msgboxChoice(void* owner, const std::string& text,
                             const std::vector<std::string>& buttons) {
        const int last = buttons.empty() ? 0 : static_cast<int>(buttons.size()) - 1;
        return msgboxConfirm(owner, text) == 6 ? 0 : last;
    }
};

// How a numeric date with the day or the month first is read. Usual: year
// first ("2027-03-31", "2027/03/31"), a month's name ("31-Mar-2027"), or
// dots ("31.03.2027", day first wherever dots are written). DayFirst also
// reads "31-03-2027" and "31/03/2027": only for a registry known to write
// the day first (.hk), since 03-04-2027 means different days elsewhere.
enum class DateOrder { Usual, DayFirst };

// A calendar date read from a registry's date text.
struct CivilDate {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;   // 1-31
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// Days since 1970-01-01 of a proleptic Gregorian date.
[[nodiscard]] long DaysFromCivil(const CivilDate& date);
// The local calendar date now.
[[nodiscard]] CivilDate LocalToday();
// A date as a result stores it: registry dates are read once, when the
// result is stored (CCore::parseDate1), and a readable one is then exactly
// "YYYY-MM-DD". Every later reader takes that form or no date at all.
[[nodiscard]] std::optional<CivilDate> ReadStoredDate(std::string_view text);

class CCore {
public:
    static constexpr int IDYES = 6;
    static constexpr int IDNO = 7;

    CCore();
    ~CCore();
    CCore(const CCore&) = delete;
    CCore& operator=(const CCore&) = delete;

    // Prepares the configuration store (reads zentrix.ini once).
    void autoFileConfig();

    // The program directory, ending in '/'. ZENTRIX_HOME overrides it.
    [[nodiscard]] std::string getAppPath() const;

    // Persistent settings; a key never saved reads as 0 / false. Safe to call
    // from the worker thread while the UI thread reads.
    [[nodiscard]] int getConfigInt(const std::string& key) const;
    void saveConfigInt(const std::string& key, int value);
    [[nodiscard]] bool getConfigB(const std::string& key) const;
    void saveConfigB(const std::string& key, bool value);
    // A setting as text (one line, no '='); "" when never saved.
    [[nodiscard]] std::string getConfigStr(const std::string& key) const;
    void saveConfigStr(const std::string& key, const std::string& value);
    // Saves reach zentrix.ini a moment later (at most some tens of ms) and at
    // the latest when the last CCore using the file is deleted. This waits
    // until the file holds every value saved so far; false when it could not
    // be written (the values still hold for this run).
    bool flushConfig();

    [[nodiscard]] static int isFileExist(const std::string& path);

    // Dialogs: with no CCoreDialogs installed they show nothing and return
    // the cancel / No answer.
    [[nodiscard]] std::string fileTxtOpen();
    [[nodiscard]] std::string fileTxtSave(const std::string& proposedName);
    [[nodiscard]] std::string fileExportSave(const std::string& proposedName, int& type);
    void msgboxInfo(void* owner, const std::string& text);
    [[nodiscard]] int msgboxConfirm(void* owner, const std::string& text);
    void openUrl(const std::string& address);
    static void setDialogs(CCoreDialogs* dialogs);
    [[nodiscard]] static CCoreDialogs* dialogs();

    // Strings.
    [[nodiscard]] static std::string getStrInt(int value);
    // Text after the first `begin`, up to the first `end` after it; the rest of
    // the text when `end` is empty or does not follow; "" when `begin` is absent.
    [[nodiscard]] static std::string getStrPart(std::string_view text, std::string_view begin,
                                                std::string_view end);
    static void trimStr(std::string& text);
    // UTF-8 to GBK in place; invalid input and unmappable characters become '?'.
    static void UTF8_ANSI(std::string& text);
    // GBK to UTF-8; invalid bytes become U+FFFD.
    [[nodiscard]] static std::string ANSI_UTF8(std::string_view gbk);
    // Well-formed UTF-8 (pure ASCII included).
    [[nodiscard]] static bool isUtf8(std::string_view text);
    // ISO-2022-JP (the escape sequences of JIS X 0208 text) to UTF-8;
    // invalid bytes become U+FFFD.
    [[nodiscard]] static std::string ISO2022JP_UTF8(std::string_view text);

    // Registry date text to "YYYY-MM-DD"; unreadable text comes back trimmed.
    // The time of day, a zone ("Z", "-0700", "(JST)", "GMT") and anything
    // after the date are dropped.
    [[nodiscard]] static std::string parseDate1(std::string_view text,
                                                DateOrder order = DateOrder::Usual);
    [[nodiscard]] static std::optional<CivilDate>
    parseDateValue(std::string_view text, DateOrder order = DateOrder::Usual);

private:
    std::unique_ptr<ConfigStore> m_config;
};
