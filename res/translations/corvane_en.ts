<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>QDialog</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ui::AboutDialog</name>
    <message>
        <source>关于 Corvane</source>
        <translation>About Corvane</translation>
    </message>
    <message>
        <source>Corvane Version: 1.0.0.1 beta</source>
        <translation>Corvane Version: 1.0.0.1 beta</translation>
    </message>
    <message>
        <source>（软件包 %1）</source>
        <translation>(package %1)</translation>
    </message>
    <message>
        <source>原始 YUV 视频文件播放器</source>
        <translation>Player for raw YUV video files</translation>
    </message>
</context>
<context>
    <name>ui::BasicOptionsPage</name>
    <message>
        <source>基本设置</source>
        <translation>Basic</translation>
    </message>
    <message>
        <source>是否启动默认参数</source>
        <translation>Use the default parameters</translation>
    </message>
    <message>
        <source>默认参数设置</source>
        <translation>Default parameters</translation>
    </message>
    <message>
        <source>默认宽度:</source>
        <translation>Default width:</translation>
    </message>
    <message>
        <source>默认高度:</source>
        <translation>Default height:</translation>
    </message>
    <message>
        <source>默认YUV类型</source>
        <translation>Default YUV format</translation>
    </message>
    <message>
        <source>请输入一个正整数。</source>
        <translation>Please enter a positive integer.</translation>
    </message>
    <message>
        <source>宽高值不合法或超过范围
</source>
        <translation>The width or height is invalid or out of range.
</translation>
    </message>
</context>
<context>
    <name>ui::CaptureOptionsPage</name>
    <message>
        <source>其他设置</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>截图</source>
        <translation>Stills</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>.BMP</source>
        <translation>.BMP</translation>
    </message>
    <message>
        <source>.JPG</source>
        <translation>.JPG</translation>
    </message>
    <message>
        <source>默认保存路径：</source>
        <translation>Save to folder:</translation>
    </message>
    <message>
        <source>默认保存类型：</source>
        <translation>Save as type:</translation>
    </message>
    <message>
        <source>显示比例</source>
        <translation>Aspect ratio</translation>
    </message>
    <message>
        <source>原始比例</source>
        <translation>Frame&apos;s own ratio</translation>
    </message>
    <message>
        <source>16:9</source>
        <translation>16:9</translation>
    </message>
    <message>
        <source>5:4</source>
        <translation>5:4</translation>
    </message>
    <message>
        <source>4:3</source>
        <translation>4:3</translation>
    </message>
    <message>
        <source>铺满窗口</source>
        <translation>Fill the window</translation>
    </message>
</context>
<context>
    <name>ui::CodedOpen</name>
    <message>
        <source>正在建立索引: %1</source>
        <translation>Indexing: %1</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ui::CoordinateWindow</name>
    <message>
        <source>YUV坐标显示</source>
        <translation>YUV Coordinates</translation>
    </message>
    <message>
        <source>显示</source>
        <translation>Visual</translation>
    </message>
    <message>
        <source>坐标</source>
        <translation>Coordinate</translation>
    </message>
    <message>
        <source>YUV</source>
        <translation>YUV</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
</context>
<context>
    <name>ui::CustomSizeDialog</name>
    <message>
        <source>自定义宽高</source>
        <translation>Custom Size</translation>
    </message>
    <message>
        <source>宽</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>高</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>请输入一个正整数。</source>
        <translation>Please enter a positive integer.</translation>
    </message>
    <message>
        <source>宽高值不合法或超过范围
</source>
        <translation>The width or height is invalid or out of range.
</translation>
    </message>
</context>
<context>
    <name>ui::CutDialog</name>
    <message>
        <source>文件剪切</source>
        <translation>Cut File</translation>
    </message>
    <message>
        <source>帧号范围</source>
        <translation>Frame range</translation>
    </message>
    <message>
        <source>起始帧</source>
        <translation>First frame</translation>
    </message>
    <message>
        <source>结束帧</source>
        <translation>Last frame</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>目标文件:</source>
        <translation>Target file:</translation>
    </message>
    <message>
        <source>剪切</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>帧号范围:%1-%2<byte value="xd"/>
</source>
        <translation>Frame range: %1-%2<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>请输入一个正整数。</source>
        <translation>Please enter a positive integer.</translation>
    </message>
    <message>
        <source>文件参数获取失败!</source>
        <translation>Could not get the file&apos;s parameters!</translation>
    </message>
    <message>
        <source>输入参数不合法!
</source>
        <translation>Invalid parameters!
</translation>
    </message>
    <message>
        <source>打开文件错误!
</source>
        <translation>Error opening the file!
</translation>
    </message>
    <message>
        <source>创建剪切文件失败!</source>
        <translation>Could not create the cut file!</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>文件已存在，是否覆盖?</source>
        <translation>The file already exists. Overwrite it?</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>文件为拼接文件，不可剪切.</source>
        <translation>The file is a spliced file and cannot be cut.</translation>
    </message>
</context>
<context>
    <name>ui::GoToFrameBox</name>
    <message>
        <source>转到帧</source>
        <translation>Go to Frame</translation>
    </message>
    <message>
        <source>帧号:</source>
        <translation>Frame:</translation>
    </message>
    <message>
        <source>1 - %1</source>
        <translation>1 - %1</translation>
    </message>
    <message>
        <source>请输入1到%1之间的帧号。</source>
        <translation>Enter a frame number from 1 to %1.</translation>
    </message>
</context>
<context>
    <name>ui::HelpDialog</name>
    <message>
        <source>输入帧号</source>
        <translation>Type a frame number</translation>
    </message>
    <message>
        <source>退出全屏</source>
        <translation>Leave full screen</translation>
    </message>
    <message>
        <source>跳至输入的帧号</source>
        <translation>Go to the frame typed</translation>
    </message>
    <message>
        <source>小键盘0-9</source>
        <translation>Keypad 0-9</translation>
    </message>
    <message>
        <source>空格:                      播放&lt;-&gt;暂停</source>
        <translation>Space:  Play &lt;-&gt; Pause</translation>
    </message>
    <message>
        <source>.(句号):                  停止</source>
        <translation>. (period):  Stop</translation>
    </message>
    <message>
        <source>方向上键:              暂停</source>
        <translation>Up arrow:  Pause</translation>
    </message>
    <message>
        <source>方向下键:              播放</source>
        <translation>Down arrow:  Play</translation>
    </message>
    <message>
        <source>Home键:                 调至第一帧</source>
        <translation>Home:  Go to the first frame</translation>
    </message>
    <message>
        <source>End键:                    调至最末帧</source>
        <translation>End:  Go to the last frame</translation>
    </message>
    <message>
        <source>方向左键:              单帧回退</source>
        <translation>Left arrow:  One frame back</translation>
    </message>
    <message>
        <source>方向右键:              单帧步进</source>
        <translation>Right arrow:  One frame forward</translation>
    </message>
    <message>
        <source>Ctrl + C:                  关闭文件</source>
        <translation>Ctrl + C:  Close the file</translation>
    </message>
    <message>
        <source>Ctrl + O:                  打开文件</source>
        <translation>Ctrl + O:  Open a file</translation>
    </message>
    <message>
        <source>Ctrl + T:                   剪切文件</source>
        <translation>Ctrl + T:  Cut a file</translation>
    </message>
    <message>
        <source>Ctrl + M:                  拼接文件</source>
        <translation>Ctrl + M:  Splice files</translation>
    </message>
    <message>
        <source>Ctrl + One:              半数尺寸</source>
        <translation>Ctrl + One:  Half size</translation>
    </message>
    <message>
        <source>Ctrl + Two:              原始尺寸</source>
        <translation>Ctrl + Two:  Original size</translation>
    </message>
    <message>
        <source>Ctrl + Three:           两倍尺寸</source>
        <translation>Ctrl + Three:  Double size</translation>
    </message>
    <message>
        <source>左键双击:      正常视图&lt;-&gt;全屏</source>
        <translation>Left double-click:  Normal view &lt;-&gt; Full screen</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>快捷键</source>
        <translation>Shortcuts</translation>
    </message>
    <message>
        <source>找不到用户手册!</source>
        <translation>The user manual cannot be found!</translation>
    </message>
    <message>
        <source>没有可以打开用户手册的程序，请手动打开:
%1</source>
        <translation>No program here can open the user manual. Please open it yourself:
%1</translation>
    </message>
</context>
<context>
    <name>ui::HistogramPanel</name>
    <message>
        <source>直方图 (对数)</source>
        <translation>Histogram (log)</translation>
    </message>
    <message>
        <source>直方图</source>
        <translation>Histogram</translation>
    </message>
</context>
<context>
    <name>ui::Messages</name>
    <message>
        <source>不是普通文件（是管道、设备或套接字）</source>
        <translation>Not a regular file (a pipe, a device or a socket)</translation>
    </message>
    <message>
        <source>这是一个文件夹，不是文件</source>
        <translation>This is a folder, not a file</translation>
    </message>
    <message>
        <source>文件是空的（0字节）</source>
        <translation>The file is empty (0 bytes)</translation>
    </message>
    <message>
        <source>文件末尾的参数记录已损坏：%1</source>
        <translation>The parameter trailer at the end of the file is damaged: %1</translation>
    </message>
    <message>
        <source>Y4M文件头无法使用：%1</source>
        <translation>The Y4M header cannot be used: %1</translation>
    </message>
    <message>
        <source>一帧超过4 GB（%1 %2），无法播放</source>
        <translation>A frame is larger than 4 GB (%1 %2) and cannot be played</translation>
    </message>
    <message>
        <source>播放这样的帧（%1 %2）需要约%3 GB内存，超过本机的%4 GB</source>
        <translation>Playing such frames (%1 %2) needs about %3 GB of memory, more than this computer has (%4 GB)</translation>
    </message>
    <message>
        <source>参数给不出一帧的大小（格式代码 %1，%2）</source>
        <translation>The parameters give no frame size (format code %1, %2)</translation>
    </message>
    <message>
        <source>该文件为拼接文件，参数不可设置.</source>
        <translation>This is a spliced file: its parameters cannot be set.</translation>
    </message>
    <message>
        <source>文件长度不够播放一帧
</source>
        <translation>The file is too short to hold one frame.
</translation>
    </message>
    <message>
        <source>打开文件失败
</source>
        <translation>Could not open the file.
</translation>
    </message>
    <message>
        <source>剪切完成.</source>
        <translation>Cut finished.</translation>
    </message>
    <message>
        <source>拼接完成!</source>
        <translation>Splice finished!</translation>
    </message>
    <message>
        <source>请先添加待文件</source>
        <translation>Please add the files to splice first.</translation>
    </message>
    <message>
        <source>打开文件错误!
</source>
        <translation>Error opening the file!
</translation>
    </message>
    <message>
        <source>打开文件失败!
</source>
        <translation>Could not open the file!
</translation>
    </message>
    <message>
        <source>申请内存失败!</source>
        <translation>Out of memory!</translation>
    </message>
    <message>
        <source>读取文件失败</source>
        <translation>Could not read the file.</translation>
    </message>
    <message>
        <source>写入文件失败</source>
        <translation>Could not write the file.</translation>
    </message>
    <message>
        <source>输入参数不合法!
</source>
        <translation>Invalid parameters!
</translation>
    </message>
    <message>
        <source>创建剪切文件失败!</source>
        <translation>Could not create the cut file!</translation>
    </message>
    <message>
        <source>创建拼接文件失败!</source>
        <translation>Could not create the spliced file!</translation>
    </message>
    <message>
        <source>文件参数获取失败!</source>
        <translation>Could not get the file&apos;s parameters!</translation>
    </message>
    <message>
        <source>拼接参数失败</source>
        <translation>The files&apos; parameters cannot be spliced.</translation>
    </message>
    <message>
        <source>两个文件的画面尺寸不同</source>
        <translation>The two files differ in frame size</translation>
    </message>
    <message>
        <source>两个文件的色度采样不同</source>
        <translation>The two files differ in chroma sampling</translation>
    </message>
    <message>
        <source>两个文件的位深不同</source>
        <translation>The two files differ in bit depth</translation>
    </message>
    <message>
        <source>画面太小，无法计算SSIM</source>
        <translation>The picture is too small for SSIM</translation>
    </message>
    <message>
        <source>对比文件无法读取</source>
        <translation>The file to compare cannot be read</translation>
    </message>
    <message>
        <source>%1：不计算PSNR/SSIM，也没有差值视图；两个文件仍可并排查看。</source>
        <translation>%1: no PSNR or SSIM is measured and there is no difference view; the two files can still be viewed side by side.</translation>
    </message>
    <message>
        <source>%1位</source>
        <translation>%1-bit</translation>
    </message>
    <message>
        <source>第%1段 %2</source>
        <translation>segment %1 %2</translation>
    </message>
    <message>
        <source>两个文件的画面尺寸从第%1帧起不同</source>
        <translation>From frame %1 on the two files differ in frame size</translation>
    </message>
    <message>
        <source>两个文件的色度采样从第%1帧起不同</source>
        <translation>From frame %1 on the two files differ in chroma sampling</translation>
    </message>
    <message>
        <source>两个文件的位深从第%1帧起不同</source>
        <translation>From frame %1 on the two files differ in bit depth</translation>
    </message>
    <message>
        <source>从第%1帧起画面太小，无法计算SSIM</source>
        <translation>From frame %1 on the pictures are too small for SSIM</translation>
    </message>
    <message>
        <source>%1（A：%2；B：%3）。
只计算第1至%4帧的PSNR/SSIM。</source>
        <translation>%1 (A: %2; B: %3).
PSNR/SSIM are measured for frames 1 to %4 only.</translation>
    </message>
    <message>
        <source>%1位、%2个平面</source>
        <translation>%1-bit samples in %2 planes</translation>
    </message>
    <message>
        <source>比较的样本在第%1帧由%2变为%3，一个汇总不能包含两者</source>
        <translation>At frame %1 the compared samples change from %2 to %3, and one summary cannot hold both</translation>
    </message>
    <message>
        <source>视频文件无法使用：%1</source>
        <translation>The video file cannot be used: %1</translation>
    </message>
</context>
<context>
    <name>ui::OptionsDialog</name>
    <message>
        <source>高级选项</source>
        <translation>Advanced Options</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ui::ParameterDialog</name>
    <message>
        <source>这些参数由文件头规定，不能更改。</source>
        <translation>The file&apos;s header sets these parameters; they cannot be changed.</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>文件为拼接文件，不可设置参数</source>
        <translation>This is a spliced file: its parameters cannot be set.</translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>预览窗口(根据设置的参数显示第一帧图像)</source>
        <translation>Preview (the first frame, shown with the parameters set)</translation>
    </message>
    <message>
        <source>YUV 类型:</source>
        <translation>YUV format:</translation>
    </message>
    <message>
        <source>帧率(帧/s):</source>
        <translation>Frame rate (fps):</translation>
    </message>
    <message>
        <source>分辨率:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存并播放</source>
        <translation>Save and Play</translation>
    </message>
    <message>
        <source>设定参数</source>
        <translation>Set Parameters</translation>
    </message>
    <message>
        <source> 自定义宽高</source>
        <translation> Custom size</translation>
    </message>
    <message>
        <source>参数设置 — 对比文件 %1</source>
        <translation>Parameters — File to Compare %1</translation>
    </message>
    <message>
        <source>这些参数由视频流规定，不能更改。</source>
        <translation>These parameters are set by the video stream and cannot be changed.</translation>
    </message>
</context>
<context>
    <name>ui::PlayerWindow</name>
    <message>
        <source>文件不存在，已从最近打开的文件中移除:
%1</source>
        <translation>The file is no longer there; it was taken off the recent files:
%1</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>打开   Ctrl+O</source>
        <translation>Open   Ctrl+O</translation>
    </message>
    <message>
        <source>关闭   Ctrl+C</source>
        <translation>Close   Ctrl+C</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>播放/暂停    空格</source>
        <translation>Play/Pause    Space</translation>
    </message>
    <message>
        <source>停止        .(句号)</source>
        <translation>Stop        . (period)</translation>
    </message>
    <message>
        <source>快进</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>慢放</source>
        <translation>Slower</translation>
    </message>
    <message>
        <source>倒放</source>
        <translation>Reverse</translation>
    </message>
    <message>
        <source>视图</source>
        <translation>View</translation>
    </message>
    <message>
        <source>全屏   F2</source>
        <translation>Full Screen   F2</translation>
    </message>
    <message>
        <source>缩放</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source> 50%</source>
        <translation> 50%</translation>
    </message>
    <message>
        <source>100%</source>
        <translation>100%</translation>
    </message>
    <message>
        <source>200%</source>
        <translation>200%</translation>
    </message>
    <message>
        <source>YUV显示</source>
        <translation>Component</translation>
    </message>
    <message>
        <source>YUV</source>
        <translation>YUV</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>高级选项</source>
        <translation>Advanced Options</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>YUV坐标显示</source>
        <translation>YUV Coordinates</translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>文件剪切   Ctrl+T</source>
        <translation>Cut File   Ctrl+T</translation>
    </message>
    <message>
        <source>文件拼接   Ctrl+M</source>
        <translation>Splice Files   Ctrl+M</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>用户手册</source>
        <translation>User Manual</translation>
    </message>
    <message>
        <source>操作说明</source>
        <translation>Shortcuts</translation>
    </message>
    <message>
        <source>关于 Corvane</source>
        <translation>About Corvane</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>System Language</translation>
    </message>
    <message>
        <source>Corvane</source>
        <translation>Corvane</translation>
    </message>
    <message>
        <source>色彩矩阵</source>
        <translation>Colour Matrix</translation>
    </message>
    <message>
        <source>BT.601</source>
        <translation>BT.601</translation>
    </message>
    <message>
        <source>BT.709</source>
        <translation>BT.709</translation>
    </message>
    <message>
        <source>BT.2020</source>
        <translation>BT.2020</translation>
    </message>
    <message>
        <source>色彩范围</source>
        <translation>Colour Range</translation>
    </message>
    <message>
        <source>有限范围 (16-235)</source>
        <translation>Limited Range (16-235)</translation>
    </message>
    <message>
        <source>全范围 (0-255)</source>
        <translation>Full Range (0-255)</translation>
    </message>
    <message>
        <source>放大   +</source>
        <translation>Zoom In   +</translation>
    </message>
    <message>
        <source>缩小   -</source>
        <translation>Zoom Out   -</translation>
    </message>
    <message>
        <source>转到帧...   Ctrl+G</source>
        <translation>Go to Frame...   Ctrl+G</translation>
    </message>
    <message>
        <source>复制画面   Ctrl+Shift+C</source>
        <translation>Copy Frame   Ctrl+Shift+C</translation>
    </message>
    <message>
        <source>保存PNG图片</source>
        <translation>Save PNG Picture</translation>
    </message>
    <message>
        <source>最近打开的文件</source>
        <translation>Recent Files</translation>
    </message>
    <message>
        <source>打开对比文件</source>
        <translation>Open File to Compare</translation>
    </message>
    <message>
        <source>关闭对比文件</source>
        <translation>Close File to Compare</translation>
    </message>
    <message>
        <source>对比</source>
        <translation>Compare</translation>
    </message>
    <message>
        <source>只看A   A</source>
        <translation>A Only   A</translation>
    </message>
    <message>
        <source>只看B   B</source>
        <translation>B Only   B</translation>
    </message>
    <message>
        <source>并排   S</source>
        <translation>Side by Side   S</translation>
    </message>
    <message>
        <source>划像   W</source>
        <translation>Wipe   W</translation>
    </message>
    <message>
        <source>差值   D</source>
        <translation>Difference   D</translation>
    </message>
    <message>
        <source>A/B切换   F</source>
        <translation>Flip A/B   F</translation>
    </message>
    <message>
        <source>差值放大</source>
        <translation>Difference Gain</translation>
    </message>
    <message>
        <source>1×</source>
        <translation>1×</translation>
    </message>
    <message>
        <source>4×</source>
        <translation>4×</translation>
    </message>
    <message>
        <source>16×</source>
        <translation>16×</translation>
    </message>
    <message>
        <source>质量曲线显示SSIM</source>
        <translation>Show SSIM on the Quality Graph</translation>
    </message>
    <message>
        <source>导出质量数据 (CSV)</source>
        <translation>Export Quality Data (CSV)</translation>
    </message>
    <message>
        <source>导出统计文件 (ffmpeg)</source>
        <translation>Export Stats File (ffmpeg)</translation>
    </message>
    <message>
        <source>打开对比文件失败
%1</source>
        <translation>Cannot open the file to compare
%1</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>文件已存在，是否覆盖？</source>
        <translation>The file exists. Replace it?</translation>
    </message>
    <message>
        <source>导出失败
%1</source>
        <translation>Export failed
%1</translation>
    </message>
    <message>
        <source>写入%1会毁掉正在对比的文件%2</source>
        <translation>writing %1 would destroy %2, a file being compared</translation>
    </message>
    <message>
        <source>ffmpeg统计文件 (*.log)</source>
        <translation>ffmpeg stats files (*.log)</translation>
    </message>
    <message>
        <source>CSV文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>示波器</source>
        <translation>Scopes</translation>
    </message>
    <message>
        <source>直方图   F5</source>
        <translation>Histogram   F5</translation>
    </message>
    <message>
        <source>波形图   F6</source>
        <translation>Waveform   F6</translation>
    </message>
    <message>
        <source>矢量图   F7</source>
        <translation>Vectorscope   F7</translation>
    </message>
    <message>
        <source>直方图对数刻度</source>
        <translation>Logarithmic Histogram</translation>
    </message>
    <message>
        <source>波形图分量并列</source>
        <translation>Waveform Parade</translation>
    </message>
    <message>
        <source>只统计可见部分</source>
        <translation>Visible Part Only</translation>
    </message>
    <message>
        <source>示波器置于画面下方</source>
        <translation>Scopes Below the Picture</translation>
    </message>
    <message>
        <source>B偏移+1帧   ]</source>
        <translation>Shift B +1 Frame   ]</translation>
    </message>
    <message>
        <source>B偏移-1帧   [</source>
        <translation>Shift B −1 Frame   [</translation>
    </message>
    <message>
        <source>B偏移归零   \</source>
        <translation>Reset B&apos;s Shift   \</translation>
    </message>
    <message>
        <source>清除测量区域   Esc</source>
        <translation>Clear the Measured Region   Esc</translation>
    </message>
    <message>
        <source>解码缓存</source>
        <translation>Decoded-frame cache</translation>
    </message>
</context>
<context>
    <name>ui::Prompts</name>
    <message>
        <source>YUV文件 (*.4cif *.cif *.qcif *.yuv)</source>
        <translation>YUV files (*.4cif *.cif *.qcif *.yuv)</translation>
    </message>
    <message>
        <source>Y4M文件 (*.y4m)</source>
        <translation>Y4M files (*.y4m)</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>视频文件 (%1)</source>
        <translation>Video files (%1)</translation>
    </message>
</context>
<context>
    <name>ui::QualityGraph</name>
    <message>
        <source>平均</source>
        <translation>Average</translation>
    </message>
    <message>
        <source>正在计算 %1/%2 帧</source>
        <translation>Measuring %1/%2 frames</translation>
    </message>
    <message>
        <source>第 %1 帧读取失败</source>
        <translation>Reading frame %1 failed</translation>
    </message>
    <message>
        <source>第 %1 帧: 平均 %2 dB</source>
        <translation>Frame %1: average %2 dB</translation>
    </message>
    <message>
        <source>第 %1 帧: %2</source>
        <translation>Frame %1: %2</translation>
    </message>
    <message>
        <source>统计曲线</source>
        <translation>Statistics Line</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>代替PSNR/SSIM曲线</source>
        <translation>Instead of the PSNR/SSIM Lines</translation>
    </message>
    <message>
        <source>B偏移%1帧</source>
        <translation>B offset %1</translation>
    </message>
    <message>
        <source>区域%1×%2+%3+%4</source>
        <translation>region %1×%2+%3+%4</translation>
    </message>
    <message>
        <source>%1 %2帧 %3 kbit</source>
        <translation>%1 %2 frame %3 kbit</translation>
    </message>
    <message>
        <source>%1 kbit/帧</source>
        <translation>%1 kbit/frame</translation>
    </message>
</context>
<context>
    <name>ui::SpliceDialog</name>
    <message>
        <source>开始拼接</source>
        <translation>Start Splice</translation>
    </message>
    <message>
        <source>取消拼接</source>
        <translation>Cancel Splice</translation>
    </message>
    <message>
        <source>文件拼接</source>
        <translation>Splice Files</translation>
    </message>
    <message>
        <source>待拼接文件列表</source>
        <translation>Files to splice</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>上移↑</source>
        <translation>Up ↑</translation>
    </message>
    <message>
        <source>下移↓</source>
        <translation>Down ↓</translation>
    </message>
    <message>
        <source>设置参数</source>
        <translation>Set Parameters</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>片段数</source>
        <translation>Segments</translation>
    </message>
    <message>
        <source>拼接文件保存路径：</source>
        <translation>Save the spliced file as:</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>拼接进度：</source>
        <translation>Progress:</translation>
    </message>
    <message>
        <source>已设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>未设置</source>
        <translation>Not set</translation>
    </message>
    <message>
        <source>打开文件失败
</source>
        <translation>Could not open the file.
</translation>
    </message>
    <message>
        <source>该文件为拼接文件，不可重新设置参数</source>
        <translation>This is a spliced file: its parameters cannot be set again.</translation>
    </message>
    <message>
        <source>创建拼接文件失败!</source>
        <translation>Could not create the spliced file!</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>文件已存在，是否覆盖?</source>
        <translation>The file already exists. Overwrite it?</translation>
    </message>
    <message>
        <source>请先添加待文件</source>
        <translation>Please add the files to splice first.</translation>
    </message>
    <message>
        <source>请设置文件参数</source>
        <translation>Please set the files&apos; parameters.</translation>
    </message>
    <message>
        <source>已取消拼接</source>
        <translation>Splice cancelled</translation>
    </message>
</context>
<context>
    <name>ui::StatusStrip</name>
    <message>
        <source>停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>正在播放</source>
        <translation>Playing</translation>
    </message>
    <message>
        <source>速度 X %1</source>
        <translation>Speed x %1</translation>
    </message>
    <message>
        <source>速度 / %1</source>
        <translation>Speed / %1</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Paused</translation>
    </message>
    <message>
        <source>准备就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>%1 %2×%3 %4帧/秒</source>
        <translation>%1 %2×%3 %4 fps</translation>
    </message>
    <message>
        <source>隔行(顶场优先)</source>
        <translation>interlaced, top field first</translation>
    </message>
    <message>
        <source>隔行(底场优先)</source>
        <translation>interlaced, bottom field first</translation>
    </message>
    <message>
        <source>隔行/逐行混合</source>
        <translation>mixed interlacing</translation>
    </message>
    <message>
        <source>扫描方式未知</source>
        <translation>interlacing unknown</translation>
    </message>
    <message>
        <source> 段%1/%2</source>
        <translation> segment %1/%2</translation>
    </message>
    <message>
        <source>解码失败</source>
        <translation>decode failed</translation>
    </message>
    <message>
        <source>跟不上，速率降低</source>
        <translation>falling behind: rate held</translation>
    </message>
    <message>
        <source>%1帧(关键帧)</source>
        <translation>%1 frame (key)</translation>
    </message>
    <message>
        <source>%1帧</source>
        <translation>%1 frame</translation>
    </message>
    <message>
        <source>%1字节</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>由%1转换</source>
        <translation>converted from %1</translation>
    </message>
</context>
<context>
    <name>ui::StillCapture</name>
    <message>
        <source>申请内存失败!</source>
        <translation>Out of memory!</translation>
    </message>
    <message>
        <source>暂不支持该类型的JPEG抓图!</source>
        <translation>Frames of this format cannot be saved as JPEG yet!</translation>
    </message>
    <message>
        <source>暂不支持该类型的BMP抓图!</source>
        <translation>Frames of this format cannot be saved as BMP yet!</translation>
    </message>
    <message>
        <source>无法取得当前画面!</source>
        <translation>Cannot get the picture on screen!</translation>
    </message>
</context>
<context>
    <name>ui::TransportBar</name>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>减速</source>
        <translation>Slower</translation>
    </message>
    <message>
        <source>加速</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>回退</source>
        <translation>Step Back</translation>
    </message>
    <message>
        <source>步进</source>
        <translation>Step Forward</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>First Frame</translation>
    </message>
    <message>
        <source>末尾</source>
        <translation>Last Frame</translation>
    </message>
    <message>
        <source>抓图</source>
        <translation>Save Still</translation>
    </message>
    <message>
        <source>正放</source>
        <translation>Play Forwards</translation>
    </message>
    <message>
        <source>倒放</source>
        <translation>Play Backwards</translation>
    </message>
    <message>
        <source>重复</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>取消重复</source>
        <translation>Repeat Off</translation>
    </message>
</context>
<context>
    <name>ui::VectorscopePanel</name>
    <message>
        <source>矢量图</source>
        <translation>Vectorscope</translation>
    </message>
</context>
<context>
    <name>ui::WaveformPanel</name>
    <message>
        <source>波形图</source>
        <translation>Waveform</translation>
    </message>
</context>
</TS>
