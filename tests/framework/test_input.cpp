#include "WindowFixture.h"

#include "TempDir.h"

using framework::FrameState;
using framework::OSSDL;
using Calls = std::vector<std::string>;

TEST(Keys, DesktopMapping)
{
    EXPECT_EQ(OSSDL::keyCode(SDLK_a), 1);
    EXPECT_EQ(OSSDL::keyCode(SDLK_z), 26);
    EXPECT_EQ(OSSDL::keyCode(SDLK_5), 65);
    EXPECT_EQ(OSSDL::keyCode(SDLK_KP_5), 65);
    EXPECT_EQ(OSSDL::keyCode(SDLK_KP_0), 60);
    EXPECT_EQ(OSSDL::keyCode(SDLK_F10), 50);
    EXPECT_EQ(OSSDL::keyCode(SDLK_KP_PLUS), 71);
    EXPECT_EQ(OSSDL::keyCode(SDLK_RETURN), 33);
    EXPECT_EQ(OSSDL::keyCode(SDLK_RSHIFT), 34);
    EXPECT_EQ(OSSDL::keyCode(SDLK_CAPSLOCK), 0);
    EXPECT_STREQ(framework::keyName(57), "LBUTTON");
    EXPECT_STREQ(framework::keyName(88), "KEY_ALT");
    EXPECT_STREQ(framework::keyName(65), "5");
    EXPECT_STREQ(framework::keyName(89), "");
}

TEST_F(WindowTest, HeldKeysReportOneEdgeEach)
{
    open();
    drain();
    key(SDLK_q, true);
    key(SDLK_q, true, KMOD_NONE, true);
    key(SDLK_q, true, KMOD_NONE, true);
    key(SDLK_q, false);
    key(SDLK_q, false);
    key(SDLK_KP_5, true);
    key(SDLK_5, true); // the same code, already held
    key(SDLK_KP_5, false);
    key(SDLK_CAPSLOCK, true);
    EXPECT_EQ(app->calls, (Calls{"down 17", "up 17", "down 65", "up 65"}));
}

TEST_F(WindowTest, SystemKeys)
{
    open();
    drain();
    key(SDLK_LALT, true, KMOD_LALT);
    key(SDLK_LALT, false);
    EXPECT_EQ(app->calls, (Calls{"down 88", "up 88"}));
    app->calls.clear();

    key(SDLK_RETURN, true, KMOD_LALT);
    key(SDLK_RETURN, false, KMOD_LALT);
    EXPECT_TRUE(FrameState::current().fullScreen);
    EXPECT_TRUE(platform.isInFullScreenMode());
    key(SDLK_RETURN, true, KMOD_LALT);
    EXPECT_FALSE(FrameState::current().fullScreen);
    drain(); // the resizes of the switches
    key(SDLK_x, true, KMOD_LALT); // other Alt combinations stay the system's
    key(SDLK_RETURN, false);
    EXPECT_TRUE(app->calls.empty()) << app->calls.front();

    int code = -1;
    EXPECT_FALSE(platform.quitReceived(&code));
    key(SDLK_F4, true, KMOD_LALT);
    EXPECT_TRUE(platform.quitReceived(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(WindowTest, TextGoesOnTheClipboard)
{
    // Before the window there is no clipboard to put it on.
    EXPECT_FALSE(platform.setClipboardText("early"));
    open();
    const lang::String text = "main.lua:12: boom\n  ü twelve";
    ASSERT_TRUE(platform.setClipboardText(text));
    char* back = SDL_GetClipboardText();
    EXPECT_EQ(std::string(back), text.str());
    SDL_free(back);
}

TEST_F(WindowTest, TypedTextArrivesOnlyWhileTextInputIsOn)
{
    open();
    drain();
    // Off until the game has a line to edit: no input method composes over the game's keys.
    EXPECT_FALSE(SDL_IsTextInputActive());
    platform.setTextInput(true);
    EXPECT_TRUE(SDL_IsTextInputActive());
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(platform.window());
    std::snprintf(e.text.text, sizeof e.text.text, "%s", "p\xc3\xa9");
    key(SDLK_p, true);
    send(e);
    key(SDLK_p, false);
    EXPECT_EQ(app->calls, (Calls{"down 16", "text p\xc3\xa9", "up 16"}));
    platform.setTextInput(false);
    EXPECT_FALSE(SDL_IsTextInputActive());
}

TEST_F(WindowTest, ClosingTheWindowQuits)
{
    open();
    drain();
    window(SDL_WINDOWEVENT_CLOSE);
    int code = -1;
    EXPECT_TRUE(platform.quitReceived(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(WindowTest, WheelAndButtons)
{
    open();
    drain();
    SDL_Event wheel;
    SDL_zero(wheel);
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    send(wheel);
    wheel.wheel.y = -1;
    send(wheel);
    wheel.wheel.y = 1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    send(wheel);
    wheel.wheel.y = 0; // half a notch from a fine-grained wheel
    wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    send(wheel);
    EXPECT_EQ(app->calls, (Calls{"wheel 2", "wheel -1", "wheel -1", "wheel 0"}));
    app->calls.clear();

    SDL_Event button;
    SDL_zero(button);
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_LEFT;
    send(button);
    button.button.button = SDL_BUTTON_RIGHT;
    send(button);
    window(SDL_WINDOWEVENT_LEAVE); // held buttons are released for the game
    EXPECT_EQ(app->calls, (Calls{"down 57", "down 59", "up 57", "up 59"}));
    EXPECT_FALSE(app->isKeyDown(57));
}

TEST_F(WindowTest, ClicksFollowTheOrientation)
{
    open(480, 320);
    framework::FrameState::current().context->setOrientation(2);
    drain();
    SDL_Event click;
    SDL_zero(click);
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    click.button.x = 10;
    click.button.y = 20;
    send(click);
    EXPECT_EQ(app->x, 470);
    EXPECT_EQ(app->y, 300);
    SDL_Event move;
    SDL_zero(move);
    move.type = SDL_MOUSEMOTION;
    move.motion.x = 100;
    move.motion.y = 50;
    send(move);
    EXPECT_EQ(app->x, 380);
    EXPECT_EQ(app->y, 270);
}

TEST_F(WindowTest, ResizesRedrawAtOnceButNotToZero)
{
    open(480, 320);
    drain();
    window(SDL_WINDOWEVENT_SIZE_CHANGED, 400, 0);
    EXPECT_EQ(context().width(), 480);
    EXPECT_TRUE(app->calls.empty());
    window(SDL_WINDOWEVENT_SIZE_CHANGED, 400, 300);
    EXPECT_EQ(context().width(), 400);
    EXPECT_EQ(context().height(), 300);
    EXPECT_EQ(app->calls, (Calls{"resized", "redraw"}));
}

TEST_F(WindowTest, FocusChangesActivateOnce)
{
    open();
    // Handled directly: the X server's own focus events would interleave with queued ones.
    auto focus = [&](Uint8 what) {
        SDL_Event e;
        SDL_zero(e);
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        platform.dispatch(e);
    };
    drain();
    focus(SDL_WINDOWEVENT_FOCUS_LOST);
    app->calls.clear();
    focus(SDL_WINDOWEVENT_FOCUS_GAINED);
    focus(SDL_WINDOWEVENT_FOCUS_GAINED);
    focus(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(app->calls, (Calls{"activate", "deactivate"}));
    EXPECT_NE(log.text().find("framework: Window \""), std::string::npos);
    EXPECT_NE(log.text().find("\" activated\n"), std::string::npos);
    // After a fatal error focus changes no longer reach the game.
    FrameState::current().error = true;
    focus(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(app->calls.size(), 2u);
}

TEST_F(WindowTest, ActivateForgetsHeldKeysAndTouches)
{
    open();
    key(SDLK_a, true);
    app->touchBegan({1, 5, 5});
    app->touchBegan({2, 6, 6});
    app->touchMoved({9, 0, 0}); // unknown: nothing changes
    app->touchEnded({9, 0, 0});
    ASSERT_EQ(app->touches().size(), 2);
    app->touchMoved({2, 7, 8});
    EXPECT_EQ(app->touches()[1].x, 7);
    app->touchEnded({1, 0, 0});
    ASSERT_EQ(app->touches().size(), 1);
    EXPECT_EQ(app->touches()[0].id, 2);
    app->activate(false);
    EXPECT_FALSE(app->isKeyDown(1));
    EXPECT_EQ(app->touches().size(), 0);
}

TEST_F(WindowTest, CursorTable)
{
    open();
    platform.initCursors(true);
    platform.setCursor("EMPTY");
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    platform.setCursor("DEFAULT");
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    try {
        platform.setCursor("/nonexistent/hand.cur");
        FAIL();
    } catch (const lang::Exception& e) {
        EXPECT_EQ(e.getMessage().str().rfind("Setting cursor \"/nonexistent/hand.cur\" failed! Code: ", 0), 0u);
    }
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE); // the old cursor stays

    // A Windows cursor file: 32 x 32 at 1 bit per pixel, hot spot (5, 7).
    std::string file;
    auto put = [&](unsigned v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file += char((v >> (8 * i)) & 0xff);
    };
    put(0, 2), put(2, 2), put(1, 2);
    put(32, 1), put(32, 1), put(0, 2), put(5, 2), put(7, 2), put(40 + 8 + 128 + 128, 4), put(22, 4);
    put(40, 4), put(32, 4), put(64, 4), put(1, 2), put(1, 2), put(0, 4), put(0, 4), put(0, 4), put(0, 4), put(2, 4),
        put(0, 4);
    put(0, 4), put(0xffffff, 4);
    file += std::string(128, '\x55') + std::string(128, '\0');
    TempDir dir;
    dir.write("hand.cur", file);
    platform.setCursor(lang::String(dir / "hand.cur"));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    platform.setCursor(lang::String(dir / "hand.cur")); // from the table the second time
}

TEST_F(WindowTest, ReleasingTheMouseGivesThePointerBack)
{
    open();
    platform.initCursors(true);
    framework::OSInterface* os = &platform;
    os->setMouseCaptured(true);
    framework::frameStep(platform, 0.01f); // the frame loop holds a captured mouse
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    os->setMouseCaptured(false);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_FALSE(SDL_GetWindowFlags(platform.window()) & SDL_WINDOW_MOUSE_CAPTURE);
}
