#include "Steps.h"

#include "Image.h"
#include "ResourceWriters.h"
#include "game/CipherKeys.h"
#include "lang/BlockCipher.h"
#include "lang/Throwable.h"
#include "lua/LuaState.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace build {

namespace fs = std::filesystem;

StepResult buildTexts(const SourceFile& source)
{
    voxa::TextTable table;
    try {
        table = voxa::parseTextTable(readFileBytes(source.file));
    } catch (const BuildError&) {
        throw;
    } catch (const std::exception& e) {
        throw lineError(source.file, e.what());
    }
    StepResult result;
    for (size_t language = 0; language < table.languages.size(); ++language) {
        for (size_t id = 0; id < table.ids.size(); ++id) {
            if (table.texts[language][id].empty()) {
                result.warnings.push_back(source.file + ":" + std::to_string(table.lines[id]) + ": \"" + table.ids[id] +
                                          "\" has no " + table.languages[language] + " text");
            }
        }
    }
    try {
        result.files.push_back({source.name, voxa::writeTexts(table)});
    } catch (const std::exception& e) {
        throw BuildError(source.file, e.what());
    }
    return result;
}

StepResult buildComposites(const SourceFile& source, const std::map<std::string, std::string>& sprites)
{
    std::vector<voxa::CompoRecord> records;
    try {
        records = voxa::parseCompoList(readFileBytes(source.file));
    } catch (const BuildError&) {
        throw;
    } catch (const std::exception& e) {
        throw lineError(source.file, e.what());
    }
    for (const voxa::CompoRecord& record : records) {
        const auto clash = sprites.find(record.name);
        if (clash != sprites.end()) {
            throw BuildError(source.file, record.line,
                             "composite sprite \"" + record.name + "\" has the name of a sprite of " + clash->second);
        }
        for (const voxa::CompoPartRecord& part : record.parts) {
            if (!sprites.count(part.sprite)) {
                throw BuildError(source.file, part.line,
                                 "no atlas of the game has a sprite \"" + part.sprite + "\" (part of \"" + record.name +
                                     "\")");
            }
        }
    }
    StepResult result;
    try {
        result.files.push_back({source.name, voxa::writeCompoSprites(records)});
    } catch (const std::exception& e) {
        throw BuildError(source.file, e.what());
    }
    return result;
}

ScriptChecker::ScriptChecker() : m_lua(new lua::LuaState) {}

ScriptChecker::~ScriptChecker() = default;

std::vector<uint8_t> ScriptChecker::encipher(const std::string& path, const std::string& relative)
{
    const std::string text = readFileBytes(path);
    try {
        m_lua->checkSyntax(lang::String(text.data(), static_cast<int>(text.size())), relative.c_str());
    } catch (const lang::Throwable& e) {
        // "Error while compiling Lua: NAME:LINE: what"
        std::string message = e.getMessage().c_str();
        const std::string prefix = "Error while compiling Lua: " + relative + ":";
        if (message.rfind(prefix, 0) == 0) {
            const std::string rest = message.substr(prefix.size());
            const size_t colon = rest.find(": ");
            int line = 0;
            try {
                line = std::stoi(rest.substr(0, colon));
            } catch (const std::exception&) {
            }
            if (line > 0 && colon != std::string::npos)
                throw BuildError(path, line, rest.substr(colon + 2));
        }
        throw BuildError(path, message);
    }
    const lang::String cipher = lang::BlockCipher::encipher(game::scriptKey(), text.data(), static_cast<int>(text.size()));
    return std::vector<uint8_t>(cipher.c_str(), cipher.c_str() + cipher.length());
}

void OutputWriter::write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string full = m_folder + "/" + path;
    {
        std::ifstream in(full, std::ios::binary);
        if (in) {
            std::vector<uint8_t> existing((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (existing == bytes)
                return;
        }
    }
    std::error_code error;
    fs::create_directories(fs::path(full).parent_path(), error);
    if (error)
        throw BuildError(fs::path(full).parent_path().string(), "cannot make the folder: " + error.message());
    const std::string temporary = full + ".part-" + std::to_string(getpid());
    FILE* file = std::fopen(temporary.c_str(), "wb");
    bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = file && std::fflush(file) == 0 && fsync(fileno(file)) == 0 && ok;
    const int failure = errno;
    if (file)
        ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), full.c_str()) != 0) {
        const std::string reason = std::strerror(ok ? errno : failure);
        std::remove(temporary.c_str());
        throw BuildError(full, "cannot write: " + reason);
    }
    ++m_written;
}

void OutputWriter::remove(const std::string& path)
{
    std::error_code error;
    fs::path full = fs::path(m_folder) / path;
    if (!fs::remove(full, error))
        return;
    ++m_removed;
    for (fs::path folder = full.parent_path(); folder != fs::path(m_folder) && fs::is_empty(folder, error);
         folder = folder.parent_path()) {
        if (!fs::remove(folder, error))
            break;
    }
}

} // namespace build
