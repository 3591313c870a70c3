-- Sound: the effects, the UI click, the music loop, and the rolling sounds, which the
-- engine plays by itself for rolling balls under the clip names wood_rolling, rock_rolling
-- and light_rolling. Every clip is a 16-bit mono 44100 Hz WAV of sounds/.

local EFFECTS = {
    "launch", "stretch", "hit_wood", "hit_rock", "hit_light",
    "break_wood", "break_rock", "break_light", "pop", "win", "lose", "click",
}
local ROLLING = { "wood_rolling", "rock_rolling", "light_rolling" }

-- Tracks: the engine limits 0..3 to 16, 4, 6 and 3 sounds at once and plays the rolling
-- sounds on 2.
local TRACK_EFFECTS = 0
local TRACK_UI = 1
local TRACK_MUSIC = 3
local MUSIC_VOLUME = 0.45

-- A clip played again within this many seconds is left out: a pile of blocks that lands
-- at once is one clatter, not thirty.
local MIN_GAP = 0.07
-- How often the music's loop is checked (it stops when the output is stopped).
local MUSIC_CHECK_INTERVAL = 1

local clock = 0
local lastPlayed = {}
local sinceMusicCheck = MUSIC_CHECK_INTERVAL

function init()
    res.createAudioOutput(2, 16, 44100)
    for _, name in ipairs(EFFECTS) do
        res.createAudio(name, "sounds/" .. name .. ".wav", false)
    end
    for _, name in ipairs(ROLLING) do
        res.createAudio(name, "sounds/" .. name .. ".wav", false)
    end
    res.createAudio("music", "sounds/music.wav", true)
    res.setTrackVolume(TRACK_MUSIC, MUSIC_VOLUME)
    res.setMasterVolume(settings.volume)
end

function update(dt)
    clock = clock + dt
    sinceMusicCheck = sinceMusicCheck + dt
    if sinceMusicCheck >= MUSIC_CHECK_INTERVAL then
        sinceMusicCheck = 0
        if settings.audioEnabled and not res.isAudioPlaying("music") then
            res.playAudio("music", 1, true, TRACK_MUSIC)
        end
    end
end

-- Plays an effect at volume (0..1, default 1).
function play(name, volume)
    local last = lastPlayed[name]
    if last and clock - last < MIN_GAP then
        return
    end
    lastPlayed[name] = clock
    res.playAudio(name, volume or 1, false, TRACK_EFFECTS)
end

function click()
    res.playAudio("click", 1, false, TRACK_UI)
end

-- The volume in tenths, so that steps of 0.1 add up to round numbers.
function setVolume(volume)
    settings.volume = math.max(0, math.min(10, math.floor(volume * 10 + 0.5))) / 10
    res.setMasterVolume(settings.volume)
    saves.saveSettings()
end

-- Muting stops the output; unmuted, the engine starts it again at the next frame.
function setMuted(muted)
    settings.audioEnabled = not muted
    if muted then
        res.stopAudioOutput()
    end
    saves.saveSettings()
end
