# The Windows program tsypatch.exe: the main dialog, the About box and the
# ResultBox over the shared core. Included by the top-level CMakeLists.txt
# when building for Windows.
enable_language(RC)

add_executable(tsypatch WIN32
  ${PROJECT_SOURCE_DIR}/app/win_main.cpp
  ${PROJECT_SOURCE_DIR}/app/main_dialog.cpp
  ${PROJECT_SOURCE_DIR}/app/main_dialog_front_end.cpp
  ${PROJECT_SOURCE_DIR}/app/main_dialog_open_file.cpp
  ${PROJECT_SOURCE_DIR}/app/boxes/about_box.cpp
  ${PROJECT_SOURCE_DIR}/app/boxes/result_box.cpp
  ${PROJECT_SOURCE_DIR}/resources/tsypatch.rc)
set_target_properties(tsypatch PROPERTIES OUTPUT_NAME tsypatch)
target_link_libraries(tsypatch PRIVATE tsy_core comdlg32 shell32 user32)
# The dialog procedures About and MessageProc are exported without the
# stdcall "@16" decoration.
target_link_options(tsypatch PRIVATE -Wl,--kill-at)
# The icon and resource.h sit beside the .rc.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/resources/tsypatch.rc APPEND PROPERTY
             OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/resources/main_icon.ico
                            ${PROJECT_SOURCE_DIR}/resources/resource.h)
