// A page's script, run by cscript: creates the control by its ProgID and uses it.
//   cscript //nologo client.js launch <exetype> <params>   ("-" stands for an empty text)
//   cscript //nologo client.js properties
// Prints one result a line.
var args = WScript.Arguments;
function text(i) { return args(i) == "-" ? "" : args(i); }

var control = new ActiveXObject("BrindleProj.BrindleX");
switch (args(0)) {
  case "launch":
    try {
      control.CallMorvaneExe(text(1), text(2));
      WScript.Echo("ok");
    } catch (e) {
      WScript.Echo("error: " + e.message + " (0x" + (e.number >>> 0).toString(16) + ")");
    }
    break;
  case "properties":
    WScript.Echo("Caption=" + control.Caption);
    control.Visible = 1;
    WScript.Echo("Visible=" + control.Visible);
    control.AutoScroll = 0;
    WScript.Echo("AutoScroll=" + control.AutoScroll);
    WScript.Echo("PixelsPerInch=" + control.PixelsPerInch);
    WScript.Echo("PrintScale=" + control.PrintScale);
    WScript.Echo("Font=" + control.Font.Name);
    control.Caption = "\u62a5\u8868";  // 报表
    WScript.Echo("CaptionIsChinese=" + (control.Caption == "\u62a5\u8868"));
    break;
  default:
    WScript.Echo("unknown case " + args(0));
}
