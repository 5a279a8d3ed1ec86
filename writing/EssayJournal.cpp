// The essay journal's files: a versioned JSON document per entry, texts as base64 of their GBK
// bytes so that every byte comes back exactly, with a check value that catches damage the JSON
// reader cannot see.
#include "EssayJournal.h"

#include "AtomicFile.h"

#include <json/json.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char kFormatName[] = "penlark essay journal";
const char kEntrySuffix[] = ".journal";
const char kLockSuffix[] = ".lock";
const char kAsideSuffix[] = ".journal.damaged";
// A temporary file older than this was left by a write that never finished.
constexpr auto kStaleTemporaryAge = std::chrono::hours(1);

const char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string EncodeBase64(const std::string &bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= count ? kBase64Digits[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

bool DecodeBase64(const std::string &text, std::string &bytes)
{
    if (text.size() % 4 != 0)
        return false;
    bytes.clear();
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t group = 0;
        std::size_t padding = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            std::uint32_t value = 0;
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                ++padding;
            } else {
                const char *digit = c == '\0' ? nullptr : std::char_traits<char>::find(kBase64Digits, 64, c);
                if (digit == nullptr || padding != 0)
                    return false;
                value = static_cast<std::uint32_t>(digit - kBase64Digits);
            }
            group = (group << 6) | value;
        }
        for (std::size_t k = 0; k < 3 - padding; ++k)
            bytes += static_cast<char>((group >> (16 - 8 * k)) & 0xFF);
    }
    return true;
}

const char *KindName(WritingScreenKind kind)
{
    switch (kind) {
    case WritingScreenKind::PreliminaryRound:
        return "preliminary";
    case WritingScreenKind::SecondRound:
        return "second";
    case WritingScreenKind::FreeWriting:
        break;
    }
    return "free";
}

bool KindFromName(const std::string &name, WritingScreenKind &kind)
{
    for (WritingScreenKind candidate :
         {WritingScreenKind::FreeWriting, WritingScreenKind::PreliminaryRound, WritingScreenKind::SecondRound}) {
        if (name == KindName(candidate)) {
            kind = candidate;
            return true;
        }
    }
    return false;
}

// The text fields of an entry, in file order.
struct TextField
{
    const char *key;
    std::string JournalEntry::*member;
};
constexpr TextField kTextFields[] = {
    {"user", &JournalEntry::user},
    {"title", &JournalEntry::title},
    {"body", &JournalEntry::body},
    {"compositionId", &JournalEntry::compositionId},
    {"activityId", &JournalEntry::activityId},
    {"roundTitle", &JournalEntry::roundTitle},
    {"topicId", &JournalEntry::topicId},
    {"requirements", &JournalEntry::requirements},
};

// FNV-1a over everything the entry says, as hexadecimal.
std::string CheckValue(const JournalEntry &entry)
{
    std::uint64_t hash = 14695981039346656037ull;
    auto add = [&hash](const std::string &bytes) {
        for (unsigned char byte : bytes)
            hash = (hash ^ byte) * 1099511628211ull;
        hash = (hash ^ 0xFFu) * 1099511628211ull; // field separator that no length can fake
    };
    add(KindName(entry.kind));
    for (const TextField &field : kTextFields)
        add(entry.*field.member);
    add(std::to_string(entry.writingMinutes));
    add(std::to_string(entry.clockSecondsLeft));
    add(std::to_string(entry.savedAt));
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

bool IsValidId(const std::string &id)
{
    return !id.empty() && id.size() <= 64 &&
           std::all_of(id.begin(), id.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-'; });
}

bool ReadSmallFile(const std::string &path, std::string &content)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error || size > EssayJournal::kMaxFileSize)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return true;
}

bool EndsWith(const std::string &text, const std::string &suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::int64_t NowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

} // namespace

EssayJournal::EssayJournal(std::string folder) : m_folder(std::move(folder)) {}

std::string EssayJournal::DefaultFolder()
{
    return UserDataFolder("penlark");
}

std::string EssayJournal::NewEntryId() const
{
    static std::mt19937_64 generator{std::random_device{}()};
    char buffer[48];
    for (;;) {
        std::snprintf(buffer, sizeof buffer, "%llx-%016llx", static_cast<unsigned long long>(NowSeconds()),
                      static_cast<unsigned long long>(generator()));
        std::error_code error;
        if (!fs::exists(EntryPath(buffer), error) && !fs::exists(LockPath(buffer), error))
            return buffer;
    }
}

std::string EssayJournal::EntryPath(const std::string &id) const
{
    return m_folder + "/" + id + kEntrySuffix;
}

std::string EssayJournal::LockPath(const std::string &id) const
{
    return m_folder + "/" + id + kLockSuffix;
}

std::string EssayJournal::Serialize(const JournalEntry &entry)
{
    Json::Value root(Json::objectValue);
    root["format"] = kFormatName;
    root["version"] = kFormatVersion;
    root["kind"] = KindName(entry.kind);
    for (const TextField &field : kTextFields)
        root[field.key] = EncodeBase64(entry.*field.member);
    root["writingMinutes"] = entry.writingMinutes;
    root["clockSecondsLeft"] = entry.clockSecondsLeft;
    root["savedAt"] = Json::Int64(entry.savedAt);
    root["check"] = CheckValue(entry);
    Json::StreamWriterBuilder writer;
    writer["indentation"] = " ";
    return Json::writeString(writer, root) + "\n";
}

bool EssayJournal::Parse(const std::string &content, JournalEntry &entry)
{
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(content.data(), content.data() + content.size(), &root, &errors) || !root.isObject())
        return false;
    auto isString = [&root](const char *key) { return root.isMember(key) && root[key].isString(); };
    auto isInt = [&root](const char *key) { return root.isMember(key) && root[key].isInt(); };
    if (!isString("format") || root["format"].asString() != kFormatName || !isInt("version") ||
        root["version"].asInt() != kFormatVersion || !isString("kind") || !isString("check") || !isInt("writingMinutes") ||
        !isInt("clockSecondsLeft") || !root.isMember("savedAt") || !root["savedAt"].isInt64())
        return false;
    JournalEntry read;
    if (!KindFromName(root["kind"].asString(), read.kind))
        return false;
    for (const TextField &field : kTextFields) {
        if (!isString(field.key) || !DecodeBase64(root[field.key].asString(), read.*field.member))
            return false;
    }
    read.writingMinutes = root["writingMinutes"].asInt();
    read.clockSecondsLeft = root["clockSecondsLeft"].asInt();
    read.savedAt = root["savedAt"].asInt64();
    if (root["check"].asString() != CheckValue(read))
        return false;
    entry = std::move(read);
    return true;
}

int EssayJournal::Write(const std::string &id, JournalEntry entry) const
{
    if (!IsValidId(id))
        return EINVAL;
    if (const int error = EnsurePrivateFolder(m_folder))
        return error;
    entry.savedAt = NowSeconds();
    return ReplaceFileAtomically(EntryPath(id), Serialize(entry), 0600);
}

int EssayJournal::Retire(const std::string &id) const
{
    if (!IsValidId(id))
        return EINVAL;
    if (const int error = RemoveFileDurably(EntryPath(id)))
        return error;
    // The lock a crashed screen left goes with its entry; a held one belongs to a live screen,
    // which removes it itself.
    if (!IsFileLockHeld(LockPath(id)))
        RemoveFileDurably(LockPath(id));
    return 0;
}

void EssayJournal::SetAside(const std::string &id) const
{
    std::string target = m_folder + "/" + id + kAsideSuffix;
    std::error_code error;
    for (int n = 2; fs::exists(target, error) && n < 1000; ++n)
        target = m_folder + "/" + id + kAsideSuffix + "." + std::to_string(n);
    RenameDurably(EntryPath(id), target);
}

std::vector<LeftJournalEntry> EssayJournal::LeftEntries(const std::string &user) const
{
    std::vector<LeftJournalEntry> left;
    std::error_code error;
    fs::directory_iterator it(m_folder, error);
    if (error)
        return left;
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        names.push_back(it->path().filename().string());
    }
    const auto now = fs::file_time_type::clock::now();
    for (const std::string &name : names) {
        const std::string path = m_folder + "/" + name;
        if (name.front() == '.' && EndsWith(name, ".tmp") && name.find(kEntrySuffix) != std::string::npos) {
            const auto written = fs::last_write_time(path, error);
            if (!error && now - written > kStaleTemporaryAge)
                fs::remove(path, error);
            continue;
        }
        if (EndsWith(name, kLockSuffix)) {
            // A lock without its entry: a screen that ended before its first write.
            const std::string lockId = name.substr(0, name.size() - std::string(kLockSuffix).size());
            if (IsValidId(lockId) && !fs::exists(EntryPath(lockId), error) && !IsFileLockHeld(path))
                fs::remove(path, error);
            continue;
        }
        if (!EndsWith(name, kEntrySuffix))
            continue;
        const std::string id = name.substr(0, name.size() - std::string(kEntrySuffix).size());
        if (!IsValidId(id) || !fs::is_regular_file(fs::symlink_status(path, error)))
            continue;
        if (IsFileLockHeld(LockPath(id)))
            continue; // its screen is open right now
        std::string content;
        JournalEntry entry;
        if (!ReadSmallFile(path, content) || !Parse(content, entry)) {
            SetAside(id);
            continue;
        }
        if (entry.user == user)
            left.push_back({id, std::move(entry)});
    }
    std::sort(left.begin(), left.end(), [](const LeftJournalEntry &a, const LeftJournalEntry &b) {
        return a.entry.savedAt != b.entry.savedAt ? a.entry.savedAt < b.entry.savedAt : a.id < b.id;
    });
    return left;
}
