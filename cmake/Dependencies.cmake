# Every dependency as an imported target. Lua and Box2D are built our way by
# scripts/setup.sh into .deps/; everything else comes from Debian's -dev packages.

set(PELTERRA_DEPS_DIR "${PROJECT_SOURCE_DIR}/.deps" CACHE PATH "Where scripts/setup.sh builds Lua and Box2D")

function(pelterra_prebuilt target library include_dir)
    if(NOT EXISTS "${library}")
        message(FATAL_ERROR "${library} is missing: run scripts/setup.sh (./test.sh and ./run.sh do) first")
    endif()
    add_library(${target} STATIC IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES
        IMPORTED_LOCATION "${library}"
        INTERFACE_INCLUDE_DIRECTORIES "${include_dir}")
endfunction()

# Lua 5.1.5 compiled as C++ with float numbers, so engine exceptions unwind through it.
pelterra_prebuilt(Lua::Lua "${PELTERRA_DEPS_DIR}/lua/lib/liblua5.1.a" "${PELTERRA_DEPS_DIR}/lua/include")
set_property(TARGET Lua::Lua PROPERTY INTERFACE_LINK_LIBRARIES ${CMAKE_DL_LIBS} m)
# The interpreter's internal headers: only the script bridge's native fast path uses them.
add_library(Lua::Internal INTERFACE IMPORTED GLOBAL)
set_target_properties(Lua::Internal PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${PELTERRA_DEPS_DIR}/lua/internal")

# Box2D 2.4.1 with the maximum translation per step as a run-time variable.
pelterra_prebuilt(Box2D::Box2D "${PELTERRA_DEPS_DIR}/box2d/lib/libbox2d.a" "${PELTERRA_DEPS_DIR}/box2d/include")

set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)
find_package(SDL2 REQUIRED CONFIG)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(GLEW REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(Freetype REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
add_library(MPG123::MPG123 ALIAS PkgConfig::MPG123)
pkg_check_modules(GCRYPT REQUIRED IMPORTED_TARGET libgcrypt)

find_package(GTest REQUIRED)
if(PELTERRA_BENCHMARKS)
    find_package(benchmark REQUIRED)
endif()
