-- What the game keeps between runs. The engine reads settings.lua and highscores.lua into
-- the globals `settings` and `highscores` at start; this module fills in the defaults and
-- writes each file as soon as something in it changes, so nothing is lost to a crash.
--
--   settings.volume        master volume, 0..1
--   settings.audioEnabled  false when the player muted the game (the engine starts the
--                          audio output only while it is true)
--   settings.language      "en_EN" or "fi_FI" once the player chose one; until then the
--                          desktop's language (LC_ALL, LC_MESSAGES, LANG) when the game has it
--   highscores.levelN      { score = best score, stars = most stars } of level N

LANGUAGES = { "en_EN", "fi_FI" }

function init()
    if type(settings.volume) ~= "number" then
        settings.volume = 1
    end
    if type(settings.audioEnabled) ~= "boolean" then
        settings.audioEnabled = true
    end
end

function saveSettings()
    saveLuaFile("settings", "settings.lua", true)
end

-- The engine chooses the language after createStartUpAssets: the player's own choice is
-- applied after it, on the first frame.
function applySavedLanguage()
    local wanted = settings.language or desktopLanguage()
    for _, language in ipairs(LANGUAGES) do
        if wanted == language then
            useLanguage(language)
        end
    end
end

-- The desktop's language when the game has it: "fi_FI.UTF-8" in the first of LC_ALL,
-- LC_MESSAGES and LANG that is set gives "fi_FI". (The engine's own choice is always
-- en_EN on the desktop.)
function desktopLanguage()
    for _, variable in ipairs({ "LC_ALL", "LC_MESSAGES", "LANG" }) do
        local value = os.getenv(variable)
        if value and value ~= "" then
            local code = string.lower(string.sub(value, 1, 2))
            for _, language in ipairs(LANGUAGES) do
                if string.lower(string.sub(language, 1, 2)) == code then
                    return language
                end
            end
            return nil
        end
    end
    return nil
end

function useLanguage(language)
    res.loadLocale(TEXTS, language)
    res.useLocale(language)
end

-- Switches to the next language of LANGUAGES and keeps the choice.
function nextLanguage()
    local current = res.getLocale()
    local chosen = LANGUAGES[1]
    for i, language in ipairs(LANGUAGES) do
        if language == current then
            chosen = LANGUAGES[i % #LANGUAGES + 1]
        end
    end
    useLanguage(chosen)
    settings.language = chosen
    saveSettings()
end

-- highscores' keys by level number, made once: the level select asks every frame.
local keys = {}

local function key(n)
    local k = keys[n]
    if k == nil then
        k = "level" .. n
        keys[n] = k
    end
    return k
end

-- The best result of level n: { score =, stars = }, or nil before it was ever won.
function best(n)
    return highscores[key(n)]
end

-- Keeps a won level's result when it betters the best one; returns whether the score is a
-- new best.
function recordWin(n, score, stars)
    local old = best(n)
    if old and old.score >= score and old.stars >= stars then
        return false
    end
    highscores[key(n)] = {
        score = math.max(score, old and old.score or 0),
        stars = math.max(stars, old and old.stars or 0),
    }
    saveLuaFile("highscores", "highscores.lua", true)
    return old == nil or score > old.score
end

-- Levels open one after another: every level up to the first one not yet won.
function isUnlocked(n)
    for k = 1, n - 1 do
        if best(k) == nil then
            return false
        end
    end
    return true
end
