#pragma once

class MDIMonitor;
class frmAnalysis;

// "応答時間解析(&A)...": the reply-time window for the capture in view (the opened file, or the
// capture after a stop), made on first use and analysed afresh each time. Returns the window.
frmAnalysis* mn_Tool_Analysis_Click(MDIMonitor& window);
