# The main window: capacity box, instruction line, combination table, drops and clicks; start-up and
# shut-down.
add_library(drovalin_main_window STATIC
    combination_table_model.cpp
    combination_table_view.cpp
    drop_notices.cpp
    dropped_path.cpp
    form1.cpp
    form1_plan_commands.cpp
    form1_startup.cpp
    message_box_notifier.cpp
)
target_include_directories(drovalin_main_window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(drovalin_main_window
    PUBLIC Qt6::Widgets drovalin_engine drovalin_move_dialogs drovalin_plan_window drovalin_lifecycle drovalin_splash
    drovalin_settings
    PRIVATE drovalin_resources)
