' A page's script in VBScript, which shows Boolean properties as numbers: True is -1.
Set control = CreateObject("BrindleProj.BrindleX")
control.Visible = 1
WScript.Echo "Visible=" & CInt(control.Visible)
control.Enabled = 0
WScript.Echo "Enabled=" & CInt(control.Enabled)
control.Scaled = 7
WScript.Echo "Scaled=" & CInt(control.Scaled)
