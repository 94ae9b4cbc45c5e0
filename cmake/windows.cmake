# The Windows program and, for the 64-bit build, the test rig's Windows tools.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/src -c 1252")

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501
                        _WIN32_IE=0x0501 STRICT)

add_executable(dialtick WIN32 ${DT_CORE_SOURCES} ${DT_WIN_SOURCES}
               ${CMAKE_SOURCE_DIR}/src/resources/dialtick.rc)
target_include_directories(dialtick PRIVATE ${CMAKE_SOURCE_DIR}/src)
# No guarded statics: the compiler's guard comes from its POSIX threads library, which imports
# functions Windows 95 and NT 4 lack. Every function-local static is first reached on the
# user-interface thread before any worker thread starts.
target_compile_options(dialtick PRIVATE ${DT_WARNINGS} -fno-exceptions -fno-threadsafe-statics)
# The program is ANSI throughout; -municode is not used for it.
target_link_options(dialtick PRIVATE -static -static-libgcc -static-libstdc++ -mwindows)
target_link_libraries(dialtick PRIVATE comctl32 comdlg32 winmm shell32 ole32 version gdi32
                      user32 kernel32 -lrasapi32 advapi32)

if(DT_DIST_DIR)
  add_custom_command(TARGET dialtick POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DT_DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:dialtick> ${DT_DIST_DIR}/dialtick.exe)
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND EXISTS ${CMAKE_SOURCE_DIR}/testrig/CMakeLists.txt)
  add_subdirectory(testrig)
endif()
