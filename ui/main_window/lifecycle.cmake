# The program's lifecycle: the loaded windows and unloading them all, and one instance only per user.
add_library(drovalin_lifecycle STATIC
    bring_to_front.cpp
    loaded_forms.cpp
    single_instance_guard.cpp
    unload_all_forms.cpp
)
target_include_directories(drovalin_lifecycle PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(drovalin_lifecycle PUBLIC Qt6::Widgets Qt6::Network)
