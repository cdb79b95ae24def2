/* Replaced by the HID library sources. */
int trevohid_placeholder_(void) { return 0; }
