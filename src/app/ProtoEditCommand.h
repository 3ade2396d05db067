#pragma once

class MDIMonitor;
class dlgProtoEdit;

// "プロトコル定義(&D)...": the protocol editor on the program folder's VXProto.ini, its preview
// on the first records of the capture in view (the opened file, or the capture), made on first
// use. Returns the dialog (shown unless the file could not be read).
dlgProtoEdit* mn_Tool_ProtoEdit_Click(MDIMonitor& window);
