# The system controls on Windows are the system's own; of the folder's
# sources the calendar rules, the message boxes' buttons and the text
# services' editing core (with the break rules of its GDI layout) are shared.
set(LUMORA_WIN32_SHARED CalendarDate.cpp MessageBoxButtons.cpp TextServices.cpp TextBreaks.cpp)
