#include "Builder.h"

#include "Atlas.h"
#include "BuildError.h"
#include "Bundle.h"
#include "FontBuilder.h"
#include "Image.h"
#include "Manifest.h"
#include "ResourceWriters.h"
#include "Share.h"
#include "Steps.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace build {

namespace fs = std::filesystem;

namespace {

// Written into every step's key: a builder that makes different bytes from the same inputs
// must rebuild what an older one made.
const char* const BUILDER_VERSION = "pelterra-build 1";
const char* const STATE_FILE = ".pelterra-build";

uint64_t hashBytes(const void* data, size_t size, uint64_t hash = 14695981039346656037ull)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string hex(uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

/// A piece of work whose outputs depend only on its settings and the bytes of its inputs.
struct Step
{
    Step(std::string id_, std::string settings_, std::vector<std::string> inputs_, std::function<StepResult()> run_)
        : id(std::move(id_)), settings(std::move(settings_)), inputs(std::move(inputs_)), run(std::move(run_))
    {
    }

    std::string id;       ///< unique, shown in progress lines ("atlas sprites/game")
    std::string settings; ///< everything besides the inputs' bytes that shapes the outputs
    std::vector<std::string> inputs;
    std::function<StepResult()> run;
    std::string key; ///< filled in: the hash of all of the above
};

/// What the previous build left, read from OUT/.pelterra-build.
struct PreviousStep
{
    std::string key;
    std::vector<std::string> outputs;
    std::vector<std::string> sprites;
};

struct State
{
    bool bundle = false;
    std::map<std::string, PreviousStep> steps;
};

std::string stateText(const State& state)
{
    std::ostringstream out;
    out << "# pelterra-build: what each step made from which inputs; delete to rebuild everything\n";
    out << "bundle\t" << (state.bundle ? 1 : 0) << "\n";
    for (const auto& step : state.steps) {
        out << "step\t" << step.first << "\t" << step.second.key << "\n";
        for (const std::string& output : step.second.outputs)
            out << "out\t" << output << "\n";
        for (const std::string& sprite : step.second.sprites)
            out << "sprite\t" << sprite << "\n";
    }
    return out.str();
}

/// The previous state; an unreadable one is no state, so everything is built again.
State readState(const std::string& path)
{
    State state;
    std::ifstream in(path);
    PreviousStep* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        const size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos)
            continue;
        const std::string kind = line.substr(0, tab), rest = line.substr(tab + 1);
        if (kind == "bundle") {
            state.bundle = rest == "1";
        } else if (kind == "step") {
            const size_t second = rest.find('\t');
            if (second == std::string::npos)
                return State();
            current = &state.steps[rest.substr(0, second)];
            current->key = rest.substr(second + 1);
        } else if (current && kind == "out") {
            current->outputs.push_back(rest);
        } else if (current && kind == "sprite") {
            current->sprites.push_back(rest);
        }
    }
    return state;
}

/// Every file under a folder (or the file itself), as paths relative to base, sorted.
std::vector<std::string> filesUnder(const std::string& base, const std::string& relative, const Origin& origin)
{
    const fs::path root = fs::path(base) / relative;
    std::error_code error;
    if (fs::is_regular_file(root, error))
        return {relative};
    if (!fs::is_directory(root, error))
        throw BuildError(origin.file, origin.line, "\"" + relative + "\" is neither a file nor a folder in " + base);
    std::vector<std::string> files;
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it->is_regular_file())
            files.push_back(fs::relative(it->path(), base).generic_string());
    }
    if (error)
        throw BuildError(root.string(), "cannot list the folder: " + error.message());
    std::sort(files.begin(), files.end());
    return files;
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

/// An output path must stay inside OUT: it names a file the engine opens relative to it.
void checkOutputName(const std::string& name, const Origin& origin)
{
    const fs::path path(name);
    bool escapes = name.empty() || path.is_absolute();
    for (const auto& part : path)
        escapes = escapes || part == "..";
    if (escapes)
        throw BuildError(origin.file, origin.line, "output \"" + name + "\" must be a path inside the output folder");
}

std::vector<uint8_t> toBytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string defaultConfig(const std::string& name)
{
    std::string quoted;
    for (char c : name)
        quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return "-- Made by pelterra-build, as the game's manifest names no configuration.\n"
           "name = \"" + quoted + "\"\n"
           "width = 1024\n"
           "height = 768\n"
           "datapath = \"./\"\n"
           "scriptPath = \"scripts\"\n";
}

/// The characters a font is asked for: "32-126,0xA0-0xFF,U+20AC" ranges.
void addRanges(const std::string& ranges, const Origin& origin, std::map<uint32_t, std::string>* characters)
{
    const std::string where = origin.file + ":" + std::to_string(origin.line);
    std::stringstream in(ranges);
    for (std::string item; std::getline(in, item, ',');) {
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item.empty())
            continue;
        auto number = [&](const std::string& text) -> uint32_t {
            std::string digits = text;
            int base = 10;
            if (digits.rfind("U+", 0) == 0 || digits.rfind("u+", 0) == 0 || digits.rfind("0x", 0) == 0) {
                digits = digits.substr(2);
                base = 16;
            }
            size_t used = 0;
            unsigned long value = 0;
            try {
                value = std::stoul(digits, &used, base);
            } catch (const std::exception&) {
                used = 0;
            }
            if (digits.empty() || used != digits.size() || value > 0x10FFFF) {
                throw BuildError(origin.file, origin.line,
                                 "\"" + text + "\" in characters is not a character code (65, 0x41 or U+0041)");
            }
            return static_cast<uint32_t>(value);
        };
        const size_t dash = item.find('-', 1);
        const uint32_t first = number(item.substr(0, dash));
        const uint32_t last = dash == std::string::npos ? first : number(item.substr(dash + 1));
        if (last < first || last - first > 0xFFFF)
            throw BuildError(origin.file, origin.line, "\"" + item + "\" in characters is not a range from low to high");
        for (uint32_t c = first; c <= last; ++c)
            characters->emplace(c, where);
    }
}

/// Decodes UTF-8 text into code points; a malformed sequence throws BuildError at where.
std::vector<uint32_t> codePoints(const std::string& text, const std::string& file, int line)
{
    std::vector<uint32_t> result;
    for (size_t i = 0; i < text.size();) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            throw BuildError(file, line, "the text is not valid UTF-8");
        uint32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) {
            const uint8_t next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                throw BuildError(file, line, "the text is not valid UTF-8");
            c = (c << 6) | (next & 0x3F);
        }
        result.push_back(c);
        i += length;
    }
    return result;
}

voxa::TextTable parseTexts(const SourceFile& source)
{
    try {
        return voxa::parseTextTable(readFileBytes(source.file));
    } catch (const BuildError&) {
        throw;
    } catch (const std::exception& e) {
        throw lineError(source.file, e.what());
    }
}

} // namespace

BuildError lineError(const std::string& file, const std::string& message)
{
    // The text writers report "line N: what".
    if (message.rfind("line ", 0) == 0) {
        const size_t colon = message.find(": ");
        if (colon != std::string::npos) {
            try {
                return BuildError(file, std::stoi(message.substr(5, colon - 5)), message.substr(colon + 2));
            } catch (const std::exception&) {
            }
        }
    }
    return BuildError(file, message);
}

BuildReport buildGame(const BuildOptions& options, std::ostream& log)
{
    const Manifest manifest = readManifest(options.source);
    const std::string out = options.output;
    const bool bundle = options.bundle || manifest.bundle;
    const Origin manifestOrigin{manifest.file, 1};
    std::vector<Step> steps;

    // --- the steps -------------------------------------------------------------------
    if (manifest.config.empty()) {
        steps.push_back(Step{"config", defaultConfig(manifest.name), {}, [&] {
                             return StepResult{{{"config.lua", toBytes(defaultConfig(manifest.name))}}, {}, {}};
                         }});
    } else {
        const std::string config = manifest.config;
        steps.push_back(Step{"config", "", {config}, [config] {
                             return StepResult{{{"config.lua", toBytes(readFileBytes(config))}}, {}, {}};
                         }});
    }
    auto lua = std::make_shared<ScriptChecker>();
    for (const std::string& folder : manifest.scripts) {
        const Origin origin{manifest.file, lineOfValue(manifest, folder)};
        for (const std::string& relative : filesUnder(manifest.folder, folder, origin)) {
            const std::string path = manifest.folder + "/" + relative;
            if (endsWith(relative, ".lua")) {
                steps.push_back(Step{"script " + relative, "", {path}, [lua, path, relative] {
                                     return StepResult{{{relative, lua->encipher(path, relative)}}, {}, {}};
                                 }});
            } else {
                steps.push_back(Step{"file " + relative, "", {path}, [path, relative] {
                                     return StepResult{{{relative, toBytes(readFileBytes(path))}}, {}, {}};
                                 }});
            }
        }
    }
    for (const std::string& folder : manifest.files) {
        const Origin origin{manifest.file, lineOfValue(manifest, folder)};
        for (const std::string& relative : filesUnder(manifest.folder, folder, origin)) {
            const std::string path = manifest.folder + "/" + relative;
            steps.push_back(Step{"file " + relative, "", {path}, [path, relative] {
                                 return StepResult{{{relative, toBytes(readFileBytes(path))}}, {}, {}};
                             }});
        }
    }
    for (const SourceFile& texts : manifest.texts) {
        checkOutputName(texts.name, texts.origin);
        steps.push_back(Step{"texts " + texts.name, "", {texts.file}, [texts] { return buildTexts(texts); }});
    }
    for (const AtlasSpec& atlas : manifest.atlases) {
        checkOutputName(atlas.name, atlas.origin);
        std::ostringstream settings;
        settings << atlas.imagesDir << "|" << atlas.pivotsFile << "|" << atlas.maxSize << "|" << atlas.padding << "|"
                 << atlas.extrude << "|" << atlas.powerOfTwo << "|" << atlas.trim;
        steps.push_back(Step{"atlas " + atlas.name, settings.str(), atlasInputs(atlas), [atlas] {
                             AtlasResult result = buildAtlas(atlas);
                             return StepResult{result.files, result.sprites, result.warnings};
                         }});
    }
    for (const FontEntry& entry : manifest.fonts) {
        checkOutputName(entry.spec.name, entry.spec.origin);
        FontSpec spec = entry.spec;
        addRanges(entry.characters, spec.origin, &spec.characters);
        std::vector<std::string> inputs{spec.fontFile};
        if (entry.fromTexts) {
            for (const SourceFile& texts : manifest.texts) {
                inputs.push_back(texts.file);
                const voxa::TextTable table = parseTexts(texts);
                for (size_t language = 0; language < table.texts.size(); ++language) {
                    for (size_t id = 0; id < table.ids.size(); ++id) {
                        const int line = id < table.lines.size() ? table.lines[id] : 0;
                        for (uint32_t c : codePoints(table.texts[language][id], texts.file, line)) {
                            if (c >= 32)
                                spec.characters.emplace(c, texts.file + ":" + std::to_string(line));
                        }
                    }
                }
            }
        }
        std::ostringstream settings;
        settings << spec.size << "|" << spec.tracking << "|" << spec.outline << "|" << spec.shadowX << "|"
                 << spec.shadowY << "|" << spec.padding << "|" << spec.maxSize << "|";
        for (const auto& c : spec.characters)
            settings << c.first << ",";
        steps.push_back(Step{"font " + spec.name, settings.str(), inputs, [spec] {
                             FontResult result = buildFont(spec);
                             return StepResult{result.files, {}, result.warnings};
                         }});
    }
    if (manifest.effects) {
        const std::string effects = shareDir() + "/effects";
        std::vector<std::string> inputs;
        for (const std::string& name : filesUnder(effects, ".", manifestOrigin))
            inputs.push_back(effects + "/" + fs::path(name).lexically_normal().generic_string());
        steps.push_back(Step{"effects", "", inputs, [inputs] {
                             StepResult result;
                             for (const std::string& path : inputs)
                                 result.files.push_back({"shaders/" + fs::path(path).filename().string(),
                                                         toBytes(readFileBytes(path))});
                             return result;
                         }});
    }

    // --- what changed ----------------------------------------------------------------
    const State previous = readState(out + "/" + STATE_FILE);
    const BundleContents previousBundle = previous.bundle ? readBundle(out) : BundleContents();
    auto outputPresent = [&](const std::string& path) {
        if (path == "config.lua" || !bundle)
            return fs::is_regular_file(out + "/" + path);
        return previous.bundle && previousBundle.has(path);
    };
    for (Step& step : steps) {
        uint64_t hash = hashBytes(BUILDER_VERSION, std::strlen(BUILDER_VERSION));
        hash = hashBytes(step.settings.data(), step.settings.size(), hash);
        for (const std::string& input : step.inputs) {
            const std::string bytes = readFileBytes(input);
            hash = hashBytes(input.data(), input.size() + 1, hash);
            hash = hashBytes(bytes.data(), bytes.size(), hash);
        }
        step.key = hex(hash);
    }

    // Composite sprites name sprites of the atlases, so they come last, once the sprite
    // names are known; they are checked again whenever those change.
    std::map<std::string, std::string> spriteAtlas; // sprite -> atlas step id
    std::map<std::string, StepResult> results;
    State next;
    next.bundle = bundle;
    BuildReport report;
    const size_t total = steps.size() + manifest.composites.size();
    size_t index = 0;
    auto runStep = [&](Step& step) {
        ++index;
        const auto before = previous.steps.find(step.id);
        bool upToDate = before != previous.steps.end() && before->second.key == step.key;
        if (upToDate) {
            for (const std::string& output : before->second.outputs)
                upToDate = upToDate && outputPresent(output);
        }
        PreviousStep& record = next.steps[step.id];
        record.key = step.key;
        if (upToDate) {
            record.outputs = before->second.outputs;
            record.sprites = before->second.sprites;
            ++report.stepsSkipped;
            return;
        }
        if (!options.quiet)
            log << "[" << index << "/" << total << "] " << step.id << std::endl;
        StepResult result = step.run();
        for (const std::string& warning : result.warnings)
            log << "warning: " << warning << std::endl;
        for (const OutputFile& file : result.files)
            record.outputs.push_back(file.path);
        record.sprites = result.sprites;
        results[step.id] = std::move(result);
        ++report.stepsRun;
    };
    for (Step& step : steps) {
        runStep(step);
        const auto atlas = std::find_if(manifest.atlases.begin(), manifest.atlases.end(),
                                        [&](const AtlasSpec& spec) { return step.id == "atlas " + spec.name; });
        if (atlas == manifest.atlases.end())
            continue;
        for (const std::string& sprite : next.steps[step.id].sprites) {
            const auto known = spriteAtlas.emplace(sprite, step.id);
            if (!known.second) {
                throw BuildError(atlas->origin.file, atlas->origin.line,
                                 "sprite \"" + sprite + "\" is made by both " + known.first->second + " and " + step.id);
            }
        }
    }
    std::string spriteList;
    for (const auto& sprite : spriteAtlas)
        spriteList += sprite.first + "\n";
    for (const SourceFile& composites : manifest.composites) {
        checkOutputName(composites.name, composites.origin);
        Step step{"composites " + composites.name, spriteList, {composites.file},
                  [&composites, &spriteAtlas] { return buildComposites(composites, spriteAtlas); }};
        uint64_t hash = hashBytes(BUILDER_VERSION, std::strlen(BUILDER_VERSION));
        hash = hashBytes(step.settings.data(), step.settings.size(), hash);
        const std::string bytes = readFileBytes(composites.file);
        hash = hashBytes(bytes.data(), bytes.size(), hash);
        step.key = hex(hash);
        runStep(step);
    }

    // Two steps must not make one file.
    std::map<std::string, std::string> maker;
    for (const auto& step : next.steps) {
        for (const std::string& output : step.second.outputs) {
            const auto made = maker.emplace(output, step.first);
            if (!made.second) {
                throw BuildError(manifest.file, 0,
                                 "\"" + output + "\" would be made by both " + made.first->second + " and " + step.first);
            }
        }
    }

    // --- writing: only now, every step having succeeded ------------------------------
    OutputWriter writer(out);
    std::set<std::string> current;
    for (const auto& made : maker)
        current.insert(made.first);
    if (!bundle) {
        for (const auto& result : results) {
            for (const OutputFile& file : result.second.files)
                writer.write(file.path, file.bytes);
        }
    } else {
        const auto config = results.find("config");
        if (config != results.end())
            writer.write("config.lua", config->second.files[0].bytes);
    }
    std::set<std::string> keep = current;
    if (bundle) {
        keep = {"config.lua"};
        std::vector<std::string> bundleFiles = previousBundle.files();
        if (report.stepsRun > 0 || !previous.bundle || previous.steps.size() != next.steps.size()) {
            std::vector<OutputFile> files;
            for (const std::string& path : current) {
                if (path == "config.lua")
                    continue;
                const auto made = results.find(maker[path]);
                if (made == results.end()) {
                    files.push_back({path, previousBundle.read(path)});
                    continue;
                }
                for (const OutputFile& file : made->second.files) {
                    if (file.path == path)
                        files.push_back(file);
                }
            }
            bundleFiles.clear();
            for (const OutputFile& file : packBundle(files)) {
                writer.write(file.path, file.bytes);
                bundleFiles.push_back(file.path);
            }
        }
        keep.insert(bundleFiles.begin(), bundleFiles.end());
    }
    // What the previous build made and this one does not is removed, so the output is
    // the same as a clean build's.
    for (const auto& step : previous.steps) {
        for (const std::string& output : step.second.outputs) {
            if (!keep.count(output))
                writer.remove(output);
        }
    }
    if (previous.bundle) {
        for (const std::string& path : previousBundle.files()) {
            if (!keep.count(path))
                writer.remove(path);
        }
    }
    writer.write(STATE_FILE, toBytes(stateText(next)));
    report.filesWritten = writer.written();
    report.filesRemoved = writer.removed();
    if (!options.quiet) {
        log << "Built " << out << ": " << report.stepsRun << " step(s) run, " << report.stepsSkipped
            << " up to date, " << report.filesWritten << " file(s) written";
        if (report.filesRemoved > 0)
            log << ", " << report.filesRemoved << " removed";
        log << (bundle ? " (bundled)" : "") << std::endl;
    }
    return report;
}

} // namespace build
