# Monitor window (Qt Widgets): library vexlo_view.
