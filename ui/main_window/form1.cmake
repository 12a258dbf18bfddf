# The main window: capacity box, instruction line, combination table, drops and clicks; its commands (open,
# reload, undo) and the capacity box's media; start-up and shut-down.
add_library(drovalin_main_window STATIC
    capacity_presets_menu.cpp
    combination_table_model.cpp
    combination_table_view.cpp
    dialog_folder_chooser.cpp
    drop_notices.cpp
    dropped_path.cpp
    form1.cpp
    form1_commands.cpp
    form1_plan_commands.cpp
    form1_startup.cpp
    form1_unit_commands.cpp
    message_box_notifier.cpp
    number_column_width.cpp
    undo_notice.cpp
)
target_include_directories(drovalin_main_window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(drovalin_main_window
    PUBLIC Qt6::Widgets drovalin_engine drovalin_move_dialogs drovalin_plan_window drovalin_lifecycle
    drovalin_splash drovalin_settings drovalin_rebuild_progress drovalin_resources)
