// Sound as the scripts and the game see it: res's audio functions, the master volume and
// its keys, activation, track limits and the rolling sounds. The devices are SDL's silent
// ones.

#include "Failure.h"
#include "GameFixture.h"

#include "audio/AudioOutput.h"
#include "game/LuaResources.h"

namespace {

std::string wav(int samples)
{
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](int v) { return std::string{char(v), char(v >> 8)}; };
    const std::string format = u16(1) + u16(1) + u32(44100) + u32(88200) + u16(2) + u16(16);
    const std::string data(size_t(samples) * 2, '\x10');
    const std::string body = "WAVE" + std::string("fmt ") + u32(16) + format + "data" + u32(uint32_t(data.size())) + data;
    return "RIFF" + u32(uint32_t(body.size())) + body;
}

class Sound : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        data.write("roll.wav", wav(4410));
    }
    game::Resources& resources() { return *app->resources()->resources(); }
    std::string error(const std::string& code)
    {
        return messageOf<lang::Throwable>([&] { run(code); });
    }
};

TEST_F(Sound, ScriptsNeedAnOutputFirst)
{
    start();
    EXPECT_EQ(error("res.createAudio('roll', 'roll.wav')"), "Trying to create audio but no audio output has been created");
    EXPECT_EQ(error("res.playAudio('roll')"), "Trying to play audio clip but no audio output has been created");
    EXPECT_EQ(error("res.stopAudio('roll')"), "Trying to stop audio clip but no audio output has been created");
    EXPECT_EQ(error("res.stopAllAudio()"), "Trying to stop all audio clips but no audio output has been created");
    EXPECT_EQ(error("res.startAudioOutput()"), "Trying to start audio output but no audio output has been created");
    EXPECT_EQ(error("res.startAudioInput()"), "Trying to start audio input but no audio input has been created");
    EXPECT_FALSE(boolean("res.isAudioPlaying('roll')"));
    EXPECT_EQ(number("res.getTrackVolume(0)"), 0);
    run("res.stopAudioOutput() res.stopAudioInput() res.setMasterVolume(0.5) res.setTrackVolume(1, 0.5)");
    EXPECT_EQ(error("res.createAudioOutput(2, 12, 44100)"), "Unsupported bits per sample while creating AudioOutput");
}

TEST_F(Sound, ClipsPlayByNameWithHandles)
{
    start("res.createAudioOutput(2, 16, 44100)");
    run("res.createAudio('roll', 'roll.wav', false) res.createAudio('stream', 'roll.wav')");
    EXPECT_EQ(number("res.playAudio('nothing')"), -1);
    EXPECT_EQ(number("res.playAudio('roll')"), -1); // the output isn't started
    run("res.startAudioOutput()");
    const float handle = number("res.playAudio('roll', 0.5, true, 2.7)");
    EXPECT_GE(handle, 0);
    EXPECT_TRUE(boolean(("res.isAudioPlaying(" + std::to_string(handle) + ")").c_str()));
    EXPECT_TRUE(boolean("res.isAudioPlaying('roll')"));
    EXPECT_FALSE(boolean("res.isAudioPlaying('stream')"));
    EXPECT_FALSE(boolean("res.isAudioPlaying({})"));
    EXPECT_EQ(resources().audioOutput()->mixer()->playVolume(int(handle)), 0.5f);
    EXPECT_NE(error("res.playAudio('roll', 1, 'yes')").find("Excepted type BOOLEAN at stack position 3"), std::string::npos);

    run("res.stopAudio('roll')");
    EXPECT_FALSE(boolean("res.isAudioPlaying('roll')"));
    // Replacing a clip stops the old one.
    run("res.playAudio('stream', 1, true)");
    run("res.createAudio('stream', 'roll.wav', false)");
    EXPECT_FALSE(boolean("res.isAudioPlaying('stream')"));

    run("res.setTrackVolume(3, 1.5)");
    EXPECT_EQ(number("res.getTrackVolume(3)"), 1);
    EXPECT_NE(error("res.setTrackVolume(9, 1)").find("Track 9 out of bounds! Range [0-8]"), std::string::npos);
    run("res.setMasterVolume(0.5)");
    EXPECT_EQ(resources().audioOutput()->volumeMillibels(), -5000);
}

TEST_F(Sound, StartUpSetsTheVolumeAndTheTrackLimits)
{
    script("blocks.lua", "");
    start("res.createAudioOutput(1, 16, 22050) settings = { volume = 0.25 }");
    audio::AudioOutput* output = resources().audioOutput();
    EXPECT_EQ(output->volumeMillibels(), -7500);
    // createStartUpAssets ran, then the limits 16, 4, 6, 3 were set.
    run("res.createAudio('roll', 'roll.wav', false) res.startAudioOutput()");
    for (int i = 0; i < 3; ++i)
        EXPECT_GE(number("res.playAudio('roll', 1, true, 3)"), 0);
    EXPECT_EQ(number("res.playAudio('roll', 1, true, 3)"), -1);
}

TEST_F(Sound, VolumeKeysReadTheOutput)
{
    start("res.createAudioOutput(2, 16, 44100) settings = {}");
    resources().audioOutput()->setMasterVolume(0.95f);
    app->keyDown(framework::KEY_ADD);
    frame(0.01f);
    EXPECT_EQ(resources().audioOutput()->getMasterVolume(), 1.0f);
    EXPECT_EQ(number("settings.volume"), 1.0f);
    app->keyUp(framework::KEY_ADD);
    frame(0.01f);
    app->keyDown(framework::KEY_SUBTRACT);
    frame(0.01f);
    EXPECT_NEAR(resources().audioOutput()->getMasterVolume(), 0.9f, 1e-4f);
}

TEST_F(Sound, ActivationStartsAndStopsWhatExists)
{
    start("res.createAudioOutput(2, 16, 44100) settings = { audioEnabled = false }");
    audio::AudioOutput* output = resources().audioOutput();
    EXPECT_TRUE(app->activateAudio(true));
    EXPECT_FALSE(output->isStarted()); // disabled by the settings
    run("settings.audioEnabled = true");
    EXPECT_TRUE(app->activateAudio(true));
    EXPECT_TRUE(output->isStarted());
    EXPECT_TRUE(app->activateAudio(false));
    EXPECT_FALSE(output->isStarted());
    // The frame starts it again while the application is active and audio enabled.
    app->activateAudio(true);
    output->stop();
    frame(0.01f);
    EXPECT_TRUE(output->isStarted());
}

TEST_F(Sound, RollingSoundsFollowTheFastestRoller)
{
    start("objects.world = {} setPhysicsEnabled(true) res.createAudioOutput(2, 16, 44100)\n"
          "res.createAudio('wood_rolling', 'roll.wav', false) res.startAudioOutput()");
    audio::AudioOutput* output = resources().audioOutput();
    run("createCircle('wheel', '', 0, 0, 2, 1, 0.5, 0.1, false, 3) setMaterial('wheel', 'wood')"
        " setAngularVelocity('wheel', 10)");
    frame(1.0f / 30);
    const int handle = world().rollingHandle(game::MATERIAL_WOOD);
    ASSERT_GE(handle, 0);
    EXPECT_TRUE(output->isPlaying(handle));
    EXPECT_NEAR(output->mixer()->playVolume(handle), world().rollingVolume(game::MATERIAL_WOOD), 1e-6f);
    EXPECT_GT(world().rollingVolume(game::MATERIAL_WOOD), 0.5f);

    run("setAngularVelocity('wheel', 2)");
    frame(1.0f / 30);
    EXPECT_EQ(world().rollingHandle(game::MATERIAL_WOOD), handle); // the same play, quieter
    EXPECT_NEAR(output->mixer()->playVolume(handle), world().rollingVolume(game::MATERIAL_WOOD), 1e-6f);
    EXPECT_LT(world().rollingVolume(game::MATERIAL_WOOD), 0.2f);

    run("setAngularVelocity('wheel', 0)");
    frame(1.0f / 30);
    EXPECT_FALSE(output->isPlaying(handle));

    run("setAngularVelocity('wheel', 10)");
    frame(1.0f / 30);
    EXPECT_TRUE(output->isClipPlaying(resources().audioClip("wood_rolling")));
    run("setPhysicsEnabled(false)");
    frame(1.0f / 30);
    EXPECT_FALSE(output->isClipPlaying(resources().audioClip("wood_rolling")));
}

} // namespace
