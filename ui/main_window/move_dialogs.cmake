# The move's confirmation and failure reports as modal Japanese boxes.
add_library(drovalin_move_dialogs STATIC
    message_box_move_dialogs.cpp message_box_move_dialogs.h
    move_notices.cpp move_notices.h
    move_names_model.cpp move_names_model.h
    names_table_view.cpp names_table_view.h
    ok_message_box.cpp ok_message_box.h
)
target_include_directories(drovalin_move_dialogs PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(drovalin_move_dialogs PUBLIC Qt6::Widgets drovalin_engine)
