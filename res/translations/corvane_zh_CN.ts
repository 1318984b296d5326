<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>QDialog</name>
    <message>
        <source>确定</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::AboutDialog</name>
    <message>
        <source>关于 Corvane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Corvane Version: 1.0.0.1 beta</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>原始 YUV 视频文件播放器</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::BasicOptionsPage</name>
    <message>
        <source>基本设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>是否启动默认参数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>默认参数设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>默认宽度:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>默认高度:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>默认YUV类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入一个正整数。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>宽高值不合法或超过范围
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::CaptureOptionsPage</name>
    <message>
        <source>其他设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>截图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>.BMP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>.JPG</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>默认保存路径：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>默认保存类型：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>显示比例</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>原始比例</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>16:9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>5:4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4:3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铺满窗口</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::CoordinateWindow</name>
    <message>
        <source>YUV坐标显示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Visual</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Coordinate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>YUV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>U</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>V</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::CustomSizeDialog</name>
    <message>
        <source>自定义宽高</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>宽</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>高</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入一个正整数。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>宽高值不合法或超过范围
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::CutDialog</name>
    <message>
        <source>文件剪切</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帧号范围</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>起始帧</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结束帧</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>目标文件:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>剪切</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帧号范围:%1-%2<byte value="xd"/>
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入一个正整数。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件参数获取失败!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>输入参数不合法!
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开文件错误!
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>创建剪切文件失败!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>警告</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件已存在，是否覆盖?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件为拼接文件，不可剪切.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::GoToFrameBox</name>
    <message>
        <source>转到帧</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帧号:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 - %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入1到%1之间的帧号。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::HelpDialog</name>
    <message>
        <source>空格:                      播放&lt;-&gt;暂停</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>.(句号):                  停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>方向上键:              暂停</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>方向下键:              播放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Home键:                 调至第一帧</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End键:                    调至最末帧</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>方向左键:              单帧回退</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>方向右键:              单帧步进</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl + C:                  关闭文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl + O:                  打开文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl + T:                   剪切文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl + M:                  拼接文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl + One:              半数尺寸</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl + Two:              原始尺寸</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl + Three:           两倍尺寸</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>左键双击:      正常视图&lt;-&gt;全屏</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帮助</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>快捷键</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>找不到用户手册!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有可以打开用户手册的程序，请手动打开:
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::Messages</name>
    <message>
        <source>该文件为拼接文件，参数不可设置.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件长度不够播放一帧
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开文件失败
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>剪切完成.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>拼接完成!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请先添加待文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开文件错误!
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开文件失败!
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>申请内存失败!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取文件失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入文件失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>输入参数不合法!
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>创建剪切文件失败!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>创建拼接文件失败!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件参数获取失败!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>拼接参数失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>两个文件的画面尺寸不同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>两个文件的色度采样不同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>两个文件的位深不同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画面太小，无法计算SSIM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>对比文件无法读取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1：不计算PSNR/SSIM，也没有差值视图；两个文件仍可并排查看。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第%1段 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>两个文件的画面尺寸从第%1帧起不同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>两个文件的色度采样从第%1帧起不同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>两个文件的位深从第%1帧起不同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>从第%1帧起画面太小，无法计算SSIM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1（A：%2；B：%3）。
只计算第1至%4帧的PSNR/SSIM。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1位、%2个平面</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>比较的样本在第%1帧由%2变为%3，一个汇总不能包含两者</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::OptionsDialog</name>
    <message>
        <source>高级选项</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::ParameterDialog</name>
    <message>
        <source>文件为拼接文件，不可设置参数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>预览窗口(根据设置的参数显示第一帧图像)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>YUV 类型:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帧率(帧/s):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分辨率:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>播放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存并播放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设定参数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 自定义宽高</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>参数设置 — 对比文件 %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::PlayerWindow</name>
    <message>
        <source>文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开   Ctrl+O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭   Ctrl+C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>播放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>播放/暂停    空格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止        .(句号)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>快进</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>慢放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>倒放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全屏   F2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>缩放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 50%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>100%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>200%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>YUV显示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>YUV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>U</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>高级选项</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工具</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>YUV坐标显示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件剪切   Ctrl+T</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件拼接   Ctrl+M</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帮助</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>用户手册</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作说明</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关于 Corvane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Corvane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>色彩矩阵</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BT.601</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BT.709</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BT.2020</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>色彩范围</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有限范围 (16-235)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全范围 (0-255)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>放大   +</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>缩小   -</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>转到帧...   Ctrl+G</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复制画面   Ctrl+Shift+C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存PNG图片</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最近打开的文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开对比文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭对比文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>对比</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>只看A   A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>只看B   B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>并排   S</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>划像   W</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>差值   D</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A/B切换   F</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>差值放大</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1×</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4×</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>16×</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>质量曲线显示SSIM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出质量数据 (CSV)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出统计文件 (ffmpeg)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开对比文件失败
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件已存在，是否覆盖？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出失败
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ffmpeg统计文件 (*.log)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV文件 (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::Prompts</name>
    <message>
        <source>YUVFiles (*.4cif *.cif *.qcif *.yuv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AllFiles(*.*) (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::QualityGraph</name>
    <message>
        <source>平均</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在计算 %1/%2 帧</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 帧读取失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 帧: 平均 %2 dB</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::SpliceDialog</name>
    <message>
        <source>开始拼接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消拼接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件拼接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>待拼接文件列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上移↑</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下移↓</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设置参数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>路径</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>片段数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>拼接文件保存路径：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>拼接进度：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开文件失败
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>该文件为拼接文件，不可重新设置参数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>创建拼接文件失败!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>警告</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件已存在，是否覆盖?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请先添加待文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请设置文件参数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已取消拼接</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::StatusStrip</name>
    <message>
        <source>停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在播放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>速度 X %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>速度 / %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂停</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>准备就绪</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2×%3 %4帧/秒</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 段%1/%2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::StillCapture</name>
    <message>
        <source>申请内存失败!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂不支持该类型的JPEG抓图!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂不支持该类型的BMP抓图!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法取得当前画面!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::TransportBar</name>
    <message>
        <source>播放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂停</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>减速</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>加速</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>回退</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>步进</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开始</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>末尾</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>抓图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>倒放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重复</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消重复</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
